// imftool optimize: the optimize step of imfproc for many files, without windows, and two modes
// that keep the sound.
#include "CommandFlow.h"
#include "Console.h"
#include "ImfError.h"
#include "OptimizeModes.h"
#include "SongFile.h"
#include "ToolArgs.h"
#include "ToolCommands.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {
struct OptimizeSettings {
    OptimizeMode mode = OptimizeMode::Seed;
    AllocationSettings allocation;
    DropSettings drop;
    std::string output; // for a single file; empty: beside the input
};

// What one file gave, for the closing table.
struct FileOutcome {
    std::string path;
    bool failed = false;
    std::int64_t writesBefore = 0, writesAfter = 0;
    std::uintmax_t bytesBefore = 0, bytesAfter = 0;
    OptimizeMode won = OptimizeMode::Seed;
};

// The steps of imfproc without its windows: load, report, optimise, report, save.
FileOutcome OptimizeFile(const std::string& path, const OptimizeSettings& settings) {
    FileOutcome outcome;
    outcome.path = path;
    LoadedSong input = LoadSong(path);
    outcome.bytesBefore = std::filesystem::file_size(path);
    outcome.writesBefore = input.song.InstructionCount();
    int tickRate = ChooseTickRate(0, input.format.rate, path);
    outcome.won = OptimizeWithMode(input.song, settings.mode, settings.allocation, tickRate,
                                   nullptr, settings.drop)
                      .won;
    outcome.writesAfter = input.song.InstructionCount();

    SongFormat format;
    format.kmf = input.format.rate > 0;
    format.rate = input.format.rate;
    std::string output =
        settings.output.empty() ? OptimizedPath(path, format.kmf) : settings.output;
    SaveSong(input.song, output, format);
    outcome.bytesAfter = std::filesystem::file_size(output);
    return outcome;
}

void PrintTable(const std::vector<FileOutcome>& outcomes, OptimizeMode mode) {
    bool showWinner = mode == OptimizeMode::Smallest;
    std::printf("%-40s %13s %12s %12s %11s%s\n", "file", "writes before", "writes after",
                "bytes before", "bytes after", showWinner ? "  mode that won" : "");
    for (const FileOutcome& o : outcomes) {
        if (o.failed) {
            std::printf("%-40s %13s\n", o.path.c_str(), "failed");
            continue;
        }
        std::printf("%-40s %13lld %12lld %12ju %11ju", o.path.c_str(),
                    static_cast<long long>(o.writesBefore), static_cast<long long>(o.writesAfter),
                    o.bytesBefore, o.bytesAfter);
        if (showWinner)
            std::printf("  %s", OptimizeModeName(o.won));
        std::printf("\n");
    }
    std::fflush(stdout);
}
} // namespace

int ToolOptimize(int argc, char** argv, int first) {
    const std::string usage =
        "usage: imftool optimize FILE... [-o OUT] [--mode MODE] [--reserved N] [--depth N]\n"
        "                        [--no-grouping] [--force] [--keep-timers] [--explain]\n"
        "  Optimises each song and saves it beside the input, in the input's format, as\n"
        "  NAME_optimized.imf or NAME_optimized.kmf.\n"
        "  -o OUT          output path (one FILE only)\n"
        "  --mode MODE     seed: as imfproc does, the notes dealt out to the channels again\n"
        "                  (default);\n"
        "                  faithful: notes stay on their channels, writes that no sample can\n"
        "                  hear are dropped; sounds exactly as the input;\n"
        "                  smallest: the seed's re-allocation, then the dropping, kept only when\n"
        "                  it sounds the same as the input, else the faithful result\n"
        "  --reserved N    channels 0..N-1 only when no other is free (default 1)\n"
        "  --depth N       -1: greedy channel choice (default); 0 or more: look-ahead notes\n"
        "  --no-grouping   take the writes of one tick one at a time\n"
        "  --force         keep the new allocation even when it is not smaller (seed)\n"
        "  --keep-timers   keep the writes to the timers 0x02..0x04, for players that read\n"
        "                  the timer flags (faithful, smallest)\n"
        "  --explain       print how many writes each rule dropped (faithful, smallest)\n";
    ToolArgs args = ParseToolArgs(argc, argv, first,
                                  {{"-o", true},
                                   {"--mode", true},
                                   {"--reserved", true},
                                   {"--depth", true},
                                   {"--no-grouping", false},
                                   {"--force", false},
                                   {"--keep-timers", false},
                                   {"--explain", false}},
                                  1, SIZE_MAX, usage);
    if (args.help)
        return PrintHelp(usage);
    OptimizeSettings settings;
    std::optional<OptimizeMode> mode = ParseOptimizeMode(args.Text("--mode", "seed"));
    if (!mode)
        UsageError("--mode must be seed, faithful or smallest", usage);
    settings.mode = *mode;
    AllocationSettings& allocation = settings.allocation;
    int reserved = args.Int("--reserved", 1);
    if (reserved < 0 || reserved > 8)
        UsageError("--reserved must be between 0 and 8", usage);
    allocation.reserved = static_cast<std::uint8_t>(reserved);
    allocation.depth = args.Int("--depth", -1);
    if (allocation.depth < -1 || allocation.depth > 8)
        UsageError("--depth must be between -1 and 8", usage);
    allocation.grouping = args.Has("--no-grouping") ? 0 : 1;
    allocation.force = args.Has("--force") ? 1 : 0;
    settings.drop.rules.keepTimers = args.Has("--keep-timers");
    settings.drop.explain = args.Has("--explain");
    settings.output = args.Text("-o", "");
    if (!settings.output.empty() && args.positional.size() > 1)
        UsageError("-o takes one input file only", usage);

    // One file behaves as imfproc: a raised error ends the run with its message and status.
    if (args.positional.size() == 1) {
        OptimizeFile(args.positional[0], settings);
        return 0;
    }
    std::vector<FileOutcome> outcomes;
    bool anyFailed = false;
    for (const std::string& path : args.positional) {
        try {
            outcomes.push_back(OptimizeFile(path, settings));
        } catch (const ImfError& error) {
            std::fflush(stdout);
            std::fprintf(stderr, "imftool: %s: %s\n", path.c_str(), error.what());
            std::fflush(stderr);
            outcomes.push_back({path, true});
            anyFailed = true;
        }
    }
    PrintTable(outcomes, settings.mode);
    return anyFailed ? 1 : 0;
}
