// imftool optimize: the optimize step of imfproc for many files, without windows, and two modes
// that keep the sound.
#include "Console.h"
#include "FaithfulCopy.h"
#include "FileBytes.h"
#include "ImfError.h"
#include "KmfFile.h"
#include "OptimizeModes.h"
#include "SongFile.h"
#include "TickRate.h"
#include "ToolArgs.h"
#include "ToolCommands.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace {
// The deepest look-ahead in which every song of the test corpus finishes within a minute on a
// 2-core machine: at depth 2 the slowest took 20 s of CPU time, at depth 3 one took 116 s.
constexpr int kMaxDepth = 2;

struct OptimizeSettings {
    OptimizeMode mode = OptimizeMode::Reallocate;
    AllocationSettings allocation;
    DropSettings drop;
    std::string output;   // for a single file; empty: beside the input
    int rate = 0;         // --rate: the tick rate of an input that has none; 0: the usual one
    bool details = false; // the optimisation's own report lines (--verbose, --explain)
};

// What one file gave, for the closing table.
struct FileOutcome {
    std::string path;
    bool failed = false;
    std::int64_t writesBefore = 0, writesAfter = 0;
    std::uintmax_t bytesBefore = 0, bytesAfter = 0;
    OptimizeMode won = OptimizeMode::Reallocate;
};

// The faithful mode: the file's own writes less what no sample can hear, saved write for write.
FileOutcome CopyFile(const std::string& path, std::span<const std::uint8_t> bytes,
                     const std::string& output, const OptimizeSettings& settings) {
    FileOutcome outcome;
    outcome.path = path;
    outcome.won = OptimizeMode::Faithful;
    outcome.bytesBefore = bytes.size();
    const SongSource source =
        ReadSongSource(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), path);
    const int tickRate = source.TickRate(settings.rate, settings.output);
    const FaithfulCopy copy =
        CopyFaithfully(source, tickRate, FormatOfOutputPath(output).kind, settings.drop);
    outcome.writesBefore = copy.before;
    outcome.writesAfter = static_cast<std::int64_t>(copy.writes.writes.size());
    if (settings.details)
        ReportDrops(copy.counts, settings.drop);
    if (source.IsCapture())
        WarnOfImfRate(output, tickRate);
    outcome.bytesAfter = SaveWrites(copy.writes, output, copy.output);
    return outcome;
}

// The steps of imfproc without its windows: load, report, optimise, report, save.
FileOutcome OptimizeFile(const std::string& path, std::span<const std::uint8_t> bytes,
                         const std::string& output, const OptimizeSettings& settings) {
    if (settings.mode == OptimizeMode::Faithful)
        return CopyFile(path, bytes, output, settings);
    FileOutcome outcome;
    outcome.path = path;
    LoadedSong input = LoadSongBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()), path,
                                     settings.rate, settings.output);
    outcome.bytesBefore = input.fileBytes;
    outcome.writesBefore = input.song.InstructionCount();
    {
        std::optional<QuietConsole> quiet; // on success one line per file tells enough
        if (!settings.details)
            quiet.emplace();
        outcome.won = OptimizeWithMode(input.song, settings.mode, settings.allocation,
                                       input.tickRate, nullptr, settings.drop)
                          .won;
    }
    outcome.writesAfter = input.song.InstructionCount();

    if (input.source.IsCapture() || FormatOfOutputPath(output).timeUnits > 0) {
        // A capture, or an output that keeps time in its own units rather than ticks: the
        // output's extension decides.
        WarnOfImfRate(output, input.tickRate);
        OutputSettings written;
        written.tickRate = input.tickRate;
        outcome.bytesAfter = SaveWrites(WritesOfSong(input.song), output, written);
    } else {
        SongFormat format = input.format; // KMF stays KMF at its rate; IMF is written headerless
        format.lengthWord = false;
        outcome.bytesAfter = SaveSong(input.song, output, format);
    }
    return outcome;
}

// One input of a batch: its bytes, read before anything is written, or why they could not be.
struct BatchInput {
    std::string path;
    std::vector<std::uint8_t> bytes;
    std::string output;
    std::string readError;
};

// Reads every input and refuses the batch, before anything is written, when an output would
// replace another input or two inputs would be saved to one file.
std::vector<BatchInput> PrepareBatch(const std::vector<std::string>& paths) {
    std::vector<BatchInput> batch;
    for (const std::string& path : paths) {
        BatchInput input{path, {}, {}, {}};
        try {
            input.bytes = ReadFileBytes(path);
            input.output = OptimizedPath(path, KmfRate(input.bytes) > 0);
        } catch (const std::exception& error) {
            input.readError = ErrorMessage(error);
        }
        batch.push_back(std::move(input));
    }
    for (std::size_t i = 0; i < batch.size(); ++i) {
        if (batch[i].output.empty())
            continue;
        std::vector<std::string> others;
        for (std::size_t j = 0; j < batch.size(); ++j) {
            if (j != i)
                others.push_back(batch[j].path);
            if (j >= i || batch[j].output.empty())
                continue;
            if (std::filesystem::path(batch[j].output).lexically_normal() ==
                    std::filesystem::path(batch[i].output).lexically_normal() ||
                SameFile(batch[j].output, batch[i].output))
                throw ImfError("ERROR: " + batch[j].path + " and " + batch[i].path +
                               " would both be saved as " + batch[i].output);
        }
        RefuseReplacingInputs(batch[i].output, others);
    }
    return batch;
}

void PrintTable(const std::vector<FileOutcome>& outcomes, OptimizeMode mode) {
    bool showWinner = mode == OptimizeMode::Smallest;
    std::FILE* out = ConsoleStream();
    std::fprintf(out, "%-40s %13s %12s %12s %11s%s\n", "file", "writes before", "writes after",
                 "bytes before", "bytes after", showWinner ? "  mode that won" : "");
    for (const FileOutcome& o : outcomes) {
        if (o.failed) {
            std::fprintf(out, "%-40s %13s\n", o.path.c_str(), "failed");
            continue;
        }
        std::fprintf(out, "%-40s %13lld %12lld %12ju %11ju", o.path.c_str(),
                     static_cast<long long>(o.writesBefore), static_cast<long long>(o.writesAfter),
                     o.bytesBefore, o.bytesAfter);
        if (showWinner)
            std::fprintf(out, "  %s", OptimizeModeName(o.won));
        std::fprintf(out, "\n");
    }
    std::fflush(out);
}
} // namespace

int ToolOptimize(int argc, char** argv, int first) {
    const std::string depth = std::to_string(kMaxDepth);
    const std::string usage =
        "usage: imftool optimize FILE... [-o OUT] [--mode MODE] [--reserved N] [--depth N]\n"
        "                        [--no-grouping] [--force] [--keep-timers] [--deep] [--explain]\n"
        "                        [--rate HZ]\n"
        "  Optimises each song and saves it beside the input, in the input's format, as\n"
        "  NAME_optimized.imf or NAME_optimized.kmf (a DRO, RAW or VGM capture as IMF).\n"
        "  -o OUT          output path (one FILE only; \"-\": standard output); .vgm, .vgz and\n"
        "                  .dro write those formats, and for a capture also .kmf\n"
        "  --mode MODE     reallocate: as imfproc does, the notes dealt out to the channels\n"
        "                  again (default);\n"
        "                  faithful: the file's own writes less those that no sample can hear,\n"
        "                  in their order and, from a capture to its own format, at their\n"
        "                  times (a VGM keeps its tag and loop); sounds exactly as the input;\n"
        "                  smallest: that re-allocation, then the dropping, kept only when\n"
        "                  it sounds the same as the input, else the faithful result\n"
        "  --reserved N    channels 0..N-1 only when no other is free (default 1)\n"
        "  --depth N       -1: greedy channel choice (default); 0 to " +
        depth + ": notes of look-ahead\n                  (at most " + depth +
        ": each level takes about as many times longer as there\n"
        "                  are channels)\n"
        "  --no-grouping   take the writes of one tick one at a time\n"
        "  --force         keep the new allocation even when it is not smaller\n"
        "                  (reallocate)\n"
        "  --keep-timers   keep the writes to the timers 0x02..0x04, for players that read\n"
        "                  the timer flags (faithful, smallest)\n"
        "  --deep          also replay the song to find writes to operators at rest (faithful,\n"
        "                  smallest); costs about a render of the song, a few more writes go\n"
        "  --explain       print how many writes each rule dropped (faithful, smallest)\n"
        "  --rate HZ       ticks per second of an input that has none (default: a KMF file's\n"
        "                  rate field, else 700 for .wlf, else 560)\n";
    ToolArgs args = ParseToolArgs(argc, argv, first,
                                  {{"-o", true},
                                   {"--mode", true},
                                   {"--reserved", true},
                                   {"--depth", true},
                                   {"--no-grouping", false},
                                   {"--force", false},
                                   {"--keep-timers", false},
                                   {"--deep", false},
                                   {"--explain", false},
                                   {"--rate", true}},
                                  1, SIZE_MAX, usage);
    if (args.help)
        return PrintHelp(usage);
    OptimizeSettings settings;
    std::optional<OptimizeMode> mode = ParseOptimizeMode(args.Text("--mode", "reallocate"));
    if (!mode)
        UsageError("--mode must be reallocate, faithful or smallest", usage);
    settings.mode = *mode;
    AllocationSettings& allocation = settings.allocation;
    int reserved = args.Int("--reserved", 1);
    if (reserved < 0 || reserved > 8)
        UsageError("--reserved must be between 0 and 8", usage);
    allocation.reserved = static_cast<std::uint8_t>(reserved);
    allocation.depth = args.Int("--depth", -1);
    if (allocation.depth < -1 || allocation.depth > kMaxDepth)
        UsageError("--depth must be between -1 and " + std::to_string(kMaxDepth), usage);
    allocation.grouping = args.Has("--no-grouping") ? 0 : 1;
    allocation.force = args.Has("--force") ? 1 : 0;
    settings.drop.rules.keepTimers = args.Has("--keep-timers");
    settings.drop.deep = args.Has("--deep");
    settings.drop.explain = args.Has("--explain");
    settings.rate = args.Rate();
    settings.details = args.verbose || settings.drop.explain;
    settings.output = args.Text("-o", "");
    if (!settings.output.empty() && args.positional.size() > 1)
        UsageError("-o takes one input file only", usage);

    // One file behaves as imfproc: a raised error ends the run with its message and status.
    if (args.positional.size() == 1) {
        const std::string& path = args.positional[0];
        std::string output = settings.output;
        if (!output.empty())
            PrepareOutput(output, {path}, true);
        std::vector<std::uint8_t> bytes = ReadFileBytes(path);
        if (output.empty())
            output = OptimizedPath(path, KmfRate(bytes) > 0);
        const FileOutcome outcome = OptimizeFile(path, bytes, output, settings);
        for (const std::string& line : TakeWarningCounts())
            PrintLine(line);
        PrintLine("wrote " + (output == "-" ? std::string("standard output") : output) + ": " +
                  std::to_string(outcome.writesBefore) + " writes before, " +
                  std::to_string(outcome.writesAfter) + " after" +
                  (settings.mode == OptimizeMode::Smallest
                       ? std::string(" (mode that won: ") + OptimizeModeName(outcome.won) + ")"
                       : ""));
        return 0;
    }
    std::vector<BatchInput> batch = PrepareBatch(args.positional);
    std::vector<FileOutcome> outcomes;
    bool anyFailed = false;
    for (const BatchInput& input : batch) {
        TakeWarningCounts(); // a file that failed leaves its count behind
        try {
            if (!input.readError.empty())
                throw ImfError(input.readError);
            outcomes.push_back(OptimizeFile(input.path, input.bytes, input.output, settings));
            for (const std::string& line : TakeWarningCounts())
                PrintLine(input.path + ": " + line);
        } catch (const std::exception& error) {
            std::fflush(stdout);
            std::fprintf(stderr, "imftool: %s: %s\n", input.path.c_str(),
                         ErrorMessage(error).c_str());
            std::fflush(stderr);
            outcomes.push_back({input.path, true});
            anyFailed = true;
        }
    }
    PrintTable(outcomes, settings.mode);
    return anyFailed ? 1 : 0;
}
