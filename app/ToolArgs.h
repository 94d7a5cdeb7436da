// Command-line parsing for imftool's subcommands: positional arguments, flags and options.
#pragma once

#include <initializer_list>
#include <map>
#include <set>
#include <string>
#include <vector>

// One option of a subcommand: "--depth" with a value, or a flag such as "--force".
struct OptionDef {
    std::string name;
    bool takesValue = false;
};

struct ToolArgs {
    std::vector<std::string> positional;
    std::map<std::string, std::string> values;
    std::set<std::string> flags;
    bool help = false;
    bool verbose = false; // every warning line, and the details of the work
    std::string usage;

    bool Has(const std::string& name) const { return flags.count(name) || values.count(name); }
    // The option's value as an integer (a usage error if it is none), or `fallback` when it was
    // not given.
    int Int(const std::string& name, int fallback) const;
    std::string Text(const std::string& name, const std::string& fallback) const;
    // --rate, the same for every subcommand: ticks per second from 1 to 65535 (any other value a
    // usage error), or 0 when it was not given.
    int Rate() const;
};

// Parses argv[first..]; "--help" or "-h" sets `help`; "--verbose", which every subcommand takes,
// sets `verbose` and has the console list each warning instead of only counting it. An unknown
// option, a missing value or a wrong number of positional arguments (outside
// minPositional..maxPositional) raises a usage error: the message followed by the usage text, exit
// status 2.
ToolArgs ParseToolArgs(int argc, char** argv, int first, std::initializer_list<OptionDef> options,
                       std::size_t minPositional, std::size_t maxPositional,
                       const std::string& usage);

// A usage error: message and usage on standard error, exit status 2.
[[noreturn]] void UsageError(const std::string& message, const std::string& usage);

// A whole decimal number, or a usage error naming what it was meant to be.
int ParseInteger(const std::string& text, const std::string& what, const std::string& usage);

// Writes a subcommand's help text, followed by what every subcommand shares (--verbose, "-" as
// standard input), to standard output; returns 0.
int PrintHelp(const std::string& usage);
