// imftool render and compare: hearing a song through the OPL2 emulator, comparing two by ear.
#include "Console.h"
#include "ImfError.h"
#include "Opl2Chip.h"
#include "SongFile.h"
#include "SongRender.h"
#include "SoundCompare.h"
#include "ToolArgs.h"
#include "ToolCommands.h"
#include "WavFile.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace {
const char* const kRateHelp =
    "  --rate HZ       ticks per second (default: a KMF file's rate field, else 700 for .wlf\n"
    "                  and 560 otherwise)\n";

// The explicit tick rate, 0 when not given.
int ExplicitRate(const ToolArgs& args) {
    int rate = args.Int("--rate", 0);
    if (args.Has("--rate") && rate <= 0)
        UsageError("--rate must be above 0", args.usage);
    return rate;
}

SampleBuffer RenderFile(const std::string& path, int explicitRate) {
    LoadedSong loaded = LoadSong(path, explicitRate);
    return RenderSong(loaded.song, loaded.tickRate);
}

std::string Decibels(double db) {
    if (std::isinf(db))
        return db < 0 ? "-inf" : "+inf";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", db);
    return text;
}
} // namespace

int ToolRender(int argc, char** argv, int first) {
    const std::string usage = std::string("usage: imftool render FILE OUT.wav [--rate HZ]\n"
                                          "  Plays the song through the OPL2 emulator and writes "
                                          "the sound to OUT.wav: mono,\n"
                                          "  16 bits, ") +
                              std::to_string(Opl2Chip::kSampleRate) +
                              " samples per second, two seconds past the song's end.\n" + kRateHelp;
    ToolArgs args = ParseToolArgs(argc, argv, first, {{"--rate", true}}, 2, 2, usage);
    if (args.help)
        return PrintHelp(usage);
    int rate = ExplicitRate(args);
    PrepareOutput(args.positional[1], {args.positional[0]}, false);
    SaveWav(args.positional[1], RenderFile(args.positional[0], rate), Opl2Chip::kSampleRate);
    return 0;
}

int ToolCompare(int argc, char** argv, int first) {
    const std::string usage =
        std::string(
            "usage: imftool compare A B [--rate HZ] [--top N]\n"
            "  Renders both songs and compares them as a listener hears them: 20 ms windows every\n"
            "  10 ms, after a 20 Hz high-pass, each split into the 24 critical bands of the Bark\n"
            "  scale. A band counts where either song has it above -50 dBFS; a window is off\n"
            "  where a counted band differs by more than 6 dB. Exit status 0 when no window is\n"
            "  off and the renders are equally long, 1 otherwise.\n"
            "  --top N         list the N windows that differ most (time, band, both levels)\n") +
        kRateHelp;
    ToolArgs args =
        ParseToolArgs(argc, argv, first, {{"--rate", true}, {"--top", true}}, 2, 2, usage);
    if (args.help)
        return PrintHelp(usage);
    int rate = ExplicitRate(args);
    int top = args.Int("--top", 0);
    if (top < 0)
        UsageError("--top must be 0 or more", usage);
    SampleBuffer a = RenderFile(args.positional[0], rate);
    SampleBuffer b = RenderFile(args.positional[1], rate);
    SoundComparison comparison =
        CompareSounds(a, b, Opl2Chip::kSampleRate, static_cast<std::size_t>(top));
    if (!comparison.SameLength())
        PrintLine("lengths differ: " + std::to_string(comparison.samplesA) + " samples in A, " +
                  std::to_string(comparison.samplesB) + " in B");
    PrintLine("windows off: " + std::to_string(comparison.windowsOff) + " of " +
              std::to_string(comparison.countedWindows) + " counted (" +
              std::to_string(comparison.windows) + " in all)");
    PrintLine("median band difference: " + Decibels(comparison.medianDifferenceDb) + " dB");
    PrintLine("worst band difference: " + Decibels(comparison.worstDifferenceDb) + " dB");
    for (const BandDifference& window : comparison.worstWindows) {
        char line[160];
        int bottom =
            window.band == 0
                ? 0
                : static_cast<int>(CriticalBandTop(window.band - 1, Opl2Chip::kSampleRate));
        std::snprintf(line, sizeof line,
                      "  %9.2f s  band %2d (%d-%d Hz)  A %6.1f dBFS  B %6.1f dBFS  %5.1f dB",
                      window.seconds, window.band + 1, bottom,
                      static_cast<int>(CriticalBandTop(window.band, Opl2Chip::kSampleRate)),
                      window.levelA, window.levelB, window.Difference());
        PrintLine(line);
    }
    PrintLine(comparison.SoundsTheSame() ? "sounds the same" : "sounds different");
    return comparison.SoundsTheSame() ? 0 : 1;
}
