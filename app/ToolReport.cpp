// imftool info, dump and tracks: looking into a song without changing it.
#include "BankFormats.h"
#include "Console.h"
#include "Dump.h"
#include "FileBytes.h"
#include "InstrumentBank.h"
#include "SongFile.h"
#include "SplitTracks.h"
#include "ToolArgs.h"
#include "ToolCommands.h"
#include "Voice.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::string VoiceName(int voice) {
    if (voice < kMelodicVoices)
        return "channel " + std::to_string(voice);
    return DrumOfVoice(voice).infoName;
}
} // namespace

int ToolInfo(int argc, char** argv, int first) {
    const std::string usage =
        "usage: imftool info FILE [--rate HZ]\n"
        "  Describes the song: format, rate, writes, length, notes per voice, timbres, rhythm\n"
        "  mode and the tracks the optimizer would make; for a capture also its tags and how\n"
        "  it was read.\n"
        "  --rate HZ       ticks per second (default: a KMF file's rate field, else 700 for\n"
        "                  .wlf and 560 otherwise)\n"
        "  Given an instrument bank (WOPL, IBK, SBI or a folder of SBI files), lists its\n"
        "  instruments' registers instead.\n";
    ToolArgs args = ParseToolArgs(argc, argv, first, {{"--rate", true}}, 1, 1, usage);
    if (args.help)
        return PrintHelp(usage);
    int rate = args.Rate();
    if (IsBankFile(args.positional[0]))
        return PrintBankInfo(args.positional[0]);
    LoadedSong loaded = LoadSong(args.positional[0], rate);
    const TImfSong& song = loaded.song;

    std::array<int, 14> notesPerVoice{};
    for (const NoteRef& note : song.notes) {
        if (note->oldvoice >= 0 && note->oldvoice < 14)
            ++notesPerVoice[note->oldvoice];
    }
    bool rhythm = false;
    for (const InstructionRef& instruction : song.channels[0])
        rhythm = rhythm || (instruction->reg == 0xBD && (instruction->val & 0x20));
    std::size_t tracks = 0;
    {
        QuietConsole quiet; // the split's warnings are not part of `info`
        tracks = SplitIntoTracks(song, 1).size();
    }

    std::printf("file: %s\n", args.positional[0].c_str());
    std::printf("format: %s\n", loaded.source.FormatText().c_str());
    if (const std::optional<Capture>& capture = loaded.source.capture) {
        for (const auto& [label, text] : {std::pair{"title", &capture->title},
                                          {"game", &capture->game},
                                          {"author", &capture->author},
                                          {"description", &capture->description}}) {
            if (!text->empty())
                std::printf("%s: %s\n", label, text->c_str());
        }
        for (const std::string& note : capture->notes)
            std::printf("read: %s\n", note.c_str());
    }
    std::printf("rate: %d ticks per second\n", loaded.tickRate);
    std::printf("writes: %d (%lld in the channel lists)\n", song.globalindex,
                static_cast<long long>(song.InstructionCount()));
    std::printf("length: %d ticks\n", song.globaltime);
    std::printf("notes: %zu\n", song.notes.size());
    for (int voice = 0; voice < 14; ++voice) {
        if (notesPerVoice[voice] > 0)
            std::printf("  %s: %d\n", VoiceName(voice).c_str(), notesPerVoice[voice]);
    }
    std::printf("unique timbres: %d\n", song.CountUniqueTimbres());
    std::printf("rhythm mode: %s, up to %d rhythm changes per tick\n", rhythm ? "used" : "not used",
                song.MaxRhythmChangesPerTick());
    std::printf("tracks: %zu\n", tracks);
    std::fflush(stdout);
    return 0;
}

int ToolDump(int argc, char** argv, int first) {
    const std::string usage = "usage: imftool dump FILE\n"
                              "  Lists every write of the song's ten channel lists.\n";
    ToolArgs args = ParseToolArgs(argc, argv, first, {}, 1, 1, usage);
    if (args.help)
        return PrintHelp(usage);
    // A shell may have pointed standard output at the song itself.
    RefuseReplacingInputs("-", args.positional);
    Dump(LoadSong(args.positional[0]).song);
    return 0;
}

int ToolTracks(int argc, char** argv, int first) {
    const std::string usage =
        "usage: imftool tracks FILE DIR\n"
        "  Splits the song into tracks as the optimizer does and writes each track alone, on\n"
        "  channel 0 with the song's chip-wide writes, as DIR/track001.imf, track002.imf, ...\n";
    ToolArgs args = ParseToolArgs(argc, argv, first, {}, 2, 2, usage);
    if (args.help)
        return PrintHelp(usage);
    LoadedSong loaded = LoadSong(args.positional[0]);
    TTrackList tracks = SplitIntoTracks(loaded.song, 1);
    std::filesystem::path folder = args.positional[1];
    std::vector<std::string> paths;
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "track%03zu.imf", i + 1);
        paths.push_back((folder / name).string());
        RefuseReplacingInputs(paths.back(), {args.positional[0]});
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    for (std::size_t i = 0; i < tracks.size(); ++i)
        SaveTrack(*tracks[i], loaded.song.channels[0], paths[i]);
    std::printf("%zu tracks written to %s\n", tracks.size(), folder.string().c_str());
    std::fflush(stdout);
    return 0;
}
