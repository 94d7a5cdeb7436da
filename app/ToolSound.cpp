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
        std::string("usage: imftool compare A B [--rate HZ]\n"
                    "  Renders both songs and compares them by ear: the RMS of the difference "
                    "relative to A,\n"
                    "  and the 20 ms windows in which some frequency band differs by more than 6 "
                    "dB while\n"
                    "  the louder is above -50 dBFS. Exit status 0 when no window differs, 1 "
                    "otherwise.\n") +
        kRateHelp;
    ToolArgs args = ParseToolArgs(argc, argv, first, {{"--rate", true}}, 2, 2, usage);
    if (args.help)
        return PrintHelp(usage);
    int rate = ExplicitRate(args);
    SampleBuffer a = RenderFile(args.positional[0], rate);
    SampleBuffer b = RenderFile(args.positional[1], rate);
    SoundComparison comparison = CompareSounds(a, b, Opl2Chip::kSampleRate);
    PrintLine("difference: " + Decibels(comparison.rmsDifferenceDb) + " dB RMS relative to A");
    PrintLine("differing windows: " + std::to_string(comparison.differingWindows) + " of " +
              std::to_string(comparison.loudWindows) + " loud (" +
              std::to_string(comparison.windows) + " in all)");
    PrintLine(comparison.SoundsTheSame() ? "sounds the same" : "sounds different");
    return comparison.SoundsTheSame() ? 0 : 1;
}
