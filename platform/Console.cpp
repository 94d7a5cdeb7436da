#include "Console.h"

#include "Surface.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace {
bool quietConsole = false;
bool toStandardError = false;
bool warningLinesShown = true;
// Few summaries ever occur in one run, so a list searched from the front will do.
std::vector<std::pair<std::string, std::int64_t>> warningCounts;
} // namespace

void Notice(const std::string& text) {
    Screen().Notify(text, 0);
    Screen().ClearKeys();
}

void PrintWarning(const std::string& summary, const std::string& text) {
    auto counted = std::find_if(warningCounts.begin(), warningCounts.end(),
                                [&](const auto& entry) { return entry.first == summary; });
    if (counted == warningCounts.end())
        warningCounts.emplace_back(summary, 1);
    else
        ++counted->second;
    if (warningLinesShown)
        PrintLine(text);
}

void SetWarningLinesShown(bool shown) {
    warningLinesShown = shown;
}

bool WarningLinesShown() {
    return warningLinesShown;
}

std::vector<std::string> TakeWarningCounts() {
    std::vector<std::string> lines;
    for (const auto& [summary, count] : warningCounts)
        lines.push_back(std::to_string(count) + " " + summary);
    warningCounts.clear();
    return lines;
}

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
