#include "Console.h"

#include <cstdio>

namespace {
bool quietConsole = false;
} // namespace

void SetConsoleQuiet(bool quiet) {
    quietConsole = quiet;
}

void PrintLine(const std::string& text) {
    if (quietConsole)
        return;
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string HexDigits(std::int64_t value, std::uint8_t digits) {
    static const char kDigits[] = "0123456789ABCDEF";
    auto bits = static_cast<std::uint64_t>(value);
    std::string text(digits, '0');
    for (int i = digits - 1; i >= 0; --i) {
        text[i] = kDigits[bits & 0xF];
        bits >>= 4;
    }
    return text;
}
