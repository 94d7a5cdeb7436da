#include "Console.h"

#include <cstdio>

namespace {
bool quietConsole = false;
bool toStandardError = false;
} // namespace

void SetConsoleQuiet(bool quiet) {
    quietConsole = quiet;
}

bool ConsoleQuiet() {
    return quietConsole;
}

void SetConsoleToStandardError(bool toError) {
    toStandardError = toError;
}

std::FILE* ConsoleStream() {
    return toStandardError ? stderr : stdout;
}

void PrintLine(const std::string& text) {
    if (quietConsole)
        return;
    std::FILE* stream = ConsoleStream();
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
    std::fputc('\n', stream);
    std::fflush(stream);
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
