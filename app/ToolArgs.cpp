#include "ToolArgs.h"

#include "Console.h"
#include "ImfError.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace {
constexpr int kUsageStatus = 2;

// The end of every subcommand's usage text.
constexpr const char* kCommonHelp =
    "  --verbose       list each warning of reading the song and the details of the work\n"
    "                  (else the warnings are counted in one line)\n"
    "  A song named \"-\" is read from standard input.\n";
} // namespace

void UsageError(const std::string& message, const std::string& usage) {
    throw ImfError("imftool: " + message + "\n" + usage + kCommonHelp, kUsageStatus);
}

int ParseInteger(const std::string& text, const std::string& what, const std::string& usage) {
    int value = 0;
    const char* end = text.data() + text.size();
    auto [last, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || last != end)
        UsageError(what + " must be a whole number, not \"" + text + "\"", usage);
    return value;
}

int ToolArgs::Int(const std::string& name, int fallback) const {
    auto it = values.find(name);
    return it == values.end() ? fallback : ParseInteger(it->second, name, usage);
}

int ToolArgs::Rate() const {
    int rate = Int("--rate", 0);
    if (Has("--rate") && (rate < 1 || rate > 65535))
        UsageError("--rate must be between 1 and 65535", usage);
    return rate;
}

std::string ToolArgs::Text(const std::string& name, const std::string& fallback) const {
    auto it = values.find(name);
    return it == values.end() ? fallback : it->second;
}

ToolArgs ParseToolArgs(int argc, char** argv, int first, std::initializer_list<OptionDef> options,
                       std::size_t minPositional, std::size_t maxPositional,
                       const std::string& usage) {
    ToolArgs args;
    args.usage = usage;
    bool optionsEnded = false;
    for (int i = first; i < argc; ++i) {
        std::string word = argv[i];
        if (optionsEnded || word.size() < 2 || word[0] != '-' ||
            (word[1] >= '0' && word[1] <= '9')) {
            args.positional.push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        if (word == "--help" || word == "-h") {
            args.help = true;
            continue;
        }
        if (word == "--verbose") {
            args.verbose = true;
            SetWarningLinesShown(true);
            continue;
        }
        auto option = std::find_if(options.begin(), options.end(), [&](const OptionDef& candidate) {
            return candidate.name == word;
        });
        if (option == options.end())
            UsageError("unknown option " + word, usage);
        if (!option->takesValue) {
            args.flags.insert(word);
            continue;
        }
        if (i + 1 >= argc)
            UsageError(word + " needs a value", usage);
        args.values[word] = argv[++i];
    }
    if (!args.help &&
        (args.positional.size() < minPositional || args.positional.size() > maxPositional))
        UsageError("wrong number of arguments", usage);
    return args;
}

int PrintHelp(const std::string& usage) {
    std::fputs((usage + kCommonHelp).c_str(), stdout);
    return 0;
}
