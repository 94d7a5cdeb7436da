#include "ImftoolMain.h"

#include "Console.h"
#include "ToolArgs.h"
#include "ToolCommands.h"

#include <cstdio>
#include <string>

namespace {
struct Subcommand {
    const char* name;
    const char* synopsis;
    int (*run)(int argc, char** argv, int first);
};

constexpr Subcommand kSubcommands[] = {
    {"optimize",
     "FILE... [-o OUT] [--mode MODE] [--reserved N] [--depth N] [--no-grouping] [--force]",
     ToolOptimize},
    {"info", "FILE [--rate HZ] (a song or an instrument bank)", ToolInfo},
    {"dump", "FILE", ToolDump},
    {"convert", "IN OUT [--rate R] [--length-word] [--title TEXT]", ToolConvert},
    {"tracks", "FILE DIR", ToolTracks},
    {"volume", "IN OUT AMOUNT [--channel C]", ToolVolume},
    {"swap", "IN OUT A B", ToolSwap},
    {"render",
     "FILE [OUT.wav] [--rate HZ] [--emu NAME] [--solo V,...] [--mute V,...] [--stems DIR]",
     ToolRender},
    {"compare", "A B [--rate HZ] [--emu NAME] [--top N]", ToolCompare},
    {"instruments", "SONG OUT.wopl|OUT.ibk|DIR [--names FILE]", ToolInstruments},
    {"midi", "SONG OUT.mid [--rate HZ]", ToolMidi},
    {"archive", "list|extract|replace HEADER DATA ... [--dict FILE] (a game's audio archive)",
     ToolArchive},
};

std::string Usage() {
    std::string usage = "usage: imftool COMMAND [ARGS...]   (imftool COMMAND --help for more)\n";
    for (const Subcommand& command : kSubcommands)
        usage += std::string("  imftool ") + command.name + " " + command.synopsis + "\n";
    return usage;
}
} // namespace

int ImftoolMain(int argc, char** argv) {
    std::string name = argc > 1 ? argv[1] : "";
    if (name == "--help" || name == "-h" || name == "help") {
        std::fputs(Usage().c_str(), stdout);
        return 0;
    }
    // Quiet on success: the warnings of reading a song are counted, and listed with --verbose.
    SetWarningLinesShown(false);
    TakeWarningCounts();
    for (const Subcommand& command : kSubcommands) {
        if (name != command.name)
            continue;
        const int status = command.run(argc, argv, 2);
        for (const std::string& line : TakeWarningCounts())
            PrintLine(line);
        return status;
    }
    UsageError(name.empty() ? "no command given" : "unknown command " + name, Usage());
}
