// imftool render and compare: hearing a song through the OPL2 emulator, comparing two by ear.
#include "Console.h"
#include "FileBytes.h"
#include "ImfError.h"
#include "Opl2Chip.h"
#include "SongFile.h"
#include "SongRender.h"
#include "SongVoices.h"
#include "SoundCompare.h"
#include "ToolArgs.h"
#include "ToolCommands.h"
#include "Voice.h"
#include "WavFile.h"

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>

namespace {
const char* const kRateHelp =
    "  --rate HZ       ticks per second (default: a KMF file's rate field, else 700 for .wlf\n"
    "                  and 560 otherwise)\n"
    "  --emu NAME      the emulator: nuked (default; the Nuked OPL3 core, exact to the cycle),\n"
    "                  dosbox (Woody's, as in DOSBox) or mame (MAME's fmopl)\n";

// The emulator --emu names, Nuked when none.
Emulator ChosenEmulator(const ToolArgs& args) {
    std::optional<Emulator> emulator = ParseEmulator(args.Text("--emu", "nuked"));
    if (!emulator)
        UsageError("--emu must be nuked, dosbox or mame", args.usage);
    return *emulator;
}

// "0,3,bd": channel numbers 0 to 8 and drum names, comma-separated.
VoiceSet ParseVoices(const std::string& list, const std::string& option, const std::string& usage) {
    VoiceSet voices = 0;
    std::size_t from = 0;
    for (;;) {
        std::size_t comma = list.find(',', from);
        std::string word = list.substr(from, comma == std::string::npos ? comma : comma - from);
        int voice = word.size() == 1 && word[0] >= '0' && word[0] <= '8' ? word[0] - '0' : -1;
        for (int drum = 0; drum < kDrumCount && voice < 0; ++drum)
            if (word == kDrums[drum].shortName || word == kDrums[drum].word)
                voice = kFirstDrumVoice + drum;
        if (voice < 0)
            UsageError(option + ": no voice called \"" + word + "\"", usage);
        voices = static_cast<VoiceSet>(voices | 1u << voice);
        if (comma == std::string::npos)
            return voices;
        from = comma + 1;
    }
}

std::string StemName(int voice) {
    return voice < kFirstDrumVoice ? "channel" + std::to_string(voice) + ".wav"
                                   : std::string(DrumOfVoice(voice).word) + ".wav";
}

void WriteWav(const std::string& path, const SampleBuffer& samples) {
    SaveWav(path, samples, Opl2Chip::kSampleRate);
}

SampleBuffer RenderFile(const std::string& path, int explicitRate, Emulator emulator) {
    LoadedSong loaded = LoadSong(path, explicitRate);
    return RenderSong(loaded.song, loaded.tickRate, 0, emulator);
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
    const std::string usage =
        std::string("usage: imftool render FILE [OUT.wav] [--rate HZ] [--emu NAME] "
                    "[--solo V[,V...]]\n                      [--mute V[,V...]] [--stems DIR]\n"
                    "  Plays the song through the OPL2 emulator and writes the sound to OUT.wav: "
                    "mono,\n  16 bits, ") +
        std::to_string(Opl2Chip::kSampleRate) +
        " samples per second, two seconds past the song's end.\n" + kRateHelp +
        "  --solo V,...    only these voices sound: channels 0 to 8, and the drums of rhythm\n"
        "                  mode bd (bassdrum), sd (snare), tt (tomtom), cy (cymbal), hh (hihat)\n"
        "  --mute V,...    these voices are silent. A voice is silenced by clearing its key-on\n"
        "                  bit, so the others play exactly as in the whole song\n"
        "  --stems DIR     also writes each voice that plays alone, as DIR/channel0.wav ...\n"
        "                  DIR/bassdrum.wav; OUT.wav may then be left out\n";
    ToolArgs args = ParseToolArgs(
        argc, argv, first,
        {{"--rate", true}, {"--emu", true}, {"--solo", true}, {"--mute", true}, {"--stems", true}},
        1, 2, usage);
    if (args.help)
        return PrintHelp(usage);
    if (args.positional.size() < 2 && !args.Has("--stems"))
        UsageError("wrong number of arguments", usage);
    VoiceSet muted = 0;
    if (args.Has("--solo"))
        muted = kAllVoices & ~ParseVoices(args.Text("--solo", ""), "--solo", usage);
    if (args.Has("--mute"))
        muted |= ParseVoices(args.Text("--mute", ""), "--mute", usage);
    const Emulator emulator = ChosenEmulator(args);
    const std::string& path = args.positional[0];
    if (args.positional.size() == 2)
        PrepareOutput(args.positional[1], {path}, false);
    LoadedSong loaded = LoadSong(path, args.Rate());
    int rate = loaded.tickRate;
    std::vector<TimedWrite> writes = MergeChannelLists(loaded.song);
    if (args.positional.size() == 2)
        WriteWav(args.positional[1],
                 RenderWrites(writes, rate, loaded.song.globaltime, muted, emulator));
    if (!args.Has("--stems"))
        return 0;
    std::filesystem::path folder = args.Text("--stems", "");
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    VoiceSet sounding = 0;
    for (const VoiceNote& note : ReadSongVoices(loaded.song).notes)
        sounding = static_cast<VoiceSet>(sounding | 1u << note.voice);
    for (int voice = 0; voice < kVoiceCount; ++voice)
        if ((sounding & ~muted) >> voice & 1)
            RefuseReplacingInputs((folder / StemName(voice)).string(), {path});
    for (int voice = 0; voice < kVoiceCount; ++voice) {
        if ((sounding & ~muted) >> voice & 1)
            WriteWav((folder / StemName(voice)).string(),
                     RenderWrites(writes, rate, loaded.song.globaltime,
                                  static_cast<VoiceSet>(kAllVoices & ~(1u << voice)), emulator));
    }
    return 0;
}

int ToolCompare(int argc, char** argv, int first) {
    const std::string usage =
        std::string(
            "usage: imftool compare A B [--rate HZ] [--emu NAME] [--top N]\n"
            "  Renders both songs and compares them as a listener hears them: 20 ms windows every\n"
            "  10 ms, after a 20 Hz high-pass, each split into the 24 critical bands of the Bark\n"
            "  scale. A band counts where either song has it above -50 dBFS; a window is off\n"
            "  where a counted band differs by more than 6 dB. Exit status 0 when no window is\n"
            "  off and the renders are equally long, 1 otherwise.\n"
            "  --top N         list the N windows that differ most (time, band, both levels)\n") +
        kRateHelp;
    ToolArgs args = ParseToolArgs(
        argc, argv, first, {{"--rate", true}, {"--emu", true}, {"--top", true}}, 2, 2, usage);
    if (args.help)
        return PrintHelp(usage);
    int rate = args.Rate();
    int top = args.Int("--top", 0);
    if (top < 0)
        UsageError("--top must be 0 or more", usage);
    const Emulator emulator = ChosenEmulator(args);
    SampleBuffer a = RenderFile(args.positional[0], rate, emulator);
    SampleBuffer b = RenderFile(args.positional[1], rate, emulator);
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
