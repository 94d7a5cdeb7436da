// imftool convert SONG.mid OUT: a MIDI file composed for the chip, with a bank and for a game.
#include "BankFormats.h"
#include "Console.h"
#include "DefaultBank.h"
#include "FileBytes.h"
#include "GameProfile.h"
#include "ImfError.h"
#include "InstrumentBank.h"
#include "MidiCompose.h"
#include "MidiReader.h"
#include "Op2File.h"
#include "SongFile.h"
#include "TickRate.h"
#include "ToolArgs.h"
#include "ToolCommands.h"
#include "UnheardWrites.h"

#include <cstdio>
#include <string>

namespace {
std::string Seconds(std::int64_t ticks, int rate) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", static_cast<double>(ticks) / rate);
    return text;
}

// The writes as IMF; with a length word, refused when the data passes what the word counts,
// saying how much of the song would fit.
std::vector<std::uint8_t> ImfForGame(const TickedWrites& writes, bool lengthWord, int rate) {
    std::vector<std::uint8_t> headerless = ImfBytesOfWrites(writes, 0);
    if (!lengthWord)
        return headerless;
    // The length-word layout drops the leading register 0 record when the song starts at once.
    const std::size_t skip = !writes.writes.empty() && writes.writes.front().time == 0 ? 4 : 0;
    const std::size_t data = headerless.size() - skip;
    if (data > static_cast<std::size_t>(kLengthWordLimit)) {
        std::int64_t fits = 0;
        for (std::size_t at = skip; at + 4 <= skip + kLengthWordLimit / 4 * 4; at += 4)
            fits += headerless[at + 2] | headerless[at + 3] << 8;
        throw ImfError("ERROR: song of " + std::to_string(data) + " bytes does not fit the " +
                       std::to_string(kLengthWordLimit) + " that a length word counts; its first " +
                       Seconds(fits, rate) + " seconds would");
    }
    return ImfBytesOfWrites(writes, 1);
}

InstrumentBank ChosenBank(const ToolArgs& args) {
    std::string format;
    if (args.Has("--bank"))
        return LoadBank(args.Text("--bank", ""), format);
    return ReadOp2(DefaultBankBytes());
}
} // namespace

const GameProfile* GameOption(const ToolArgs& args) {
    if (!args.Has("--game"))
        return nullptr;
    const GameProfile* game = FindGameProfile(args.Text("--game", ""));
    if (!game)
        UsageError("--game must be one of: " + GameProfileNames(), args.usage);
    return game;
}

int ConvertMidi(const std::vector<std::uint8_t>& bytes, const ToolArgs& args) {
    const std::string& in = args.positional[0];
    const std::string& out = args.positional[1];
    const GameProfile* game = GameOption(args);
    ComposeSettings settings;
    const int rate = args.Rate();
    settings.tickRate = rate > 0 ? rate
                        : game   ? game->tickRate
                                 : ChooseTickRate(0, 0, in, true, out);
    settings.freeChannel0 = args.Has("--free-channel0") || (game && game->freeChannel0);
    const bool lengthWord = args.Has("--length-word") || (game && game->lengthWord);

    const MidiSong song = ReadMidi(bytes);
    const InstrumentBank bank = ChosenBank(args);
    ComposeReport report;
    TickedWrites writes = ComposeMidi(song, bank, settings, report);
    // The faithful pass: nothing is written that no sample can hear.
    DropUnheardWrites(writes, InaudibleOptions(), settings.tickRate, false);

    std::size_t size = 0;
    if (FormatOfOutputPath(out).kind == SongFileKind::Imf) {
        const std::vector<std::uint8_t> imf = ImfForGame(writes, lengthWord, settings.tickRate);
        WriteFileReplacing(out, imf);
        size = imf.size();
    } else {
        OutputSettings output;
        output.tickRate = settings.tickRate;
        output.title = args.Text("--title", "");
        size = SaveWrites(writes, out, output);
    }
    PrintLine(in + " -> " + out + ": " + std::to_string(report.notes) + " notes, " +
              std::to_string(report.started) + " started, " + std::to_string(report.steals.size()) +
              " steals, " + std::to_string(report.drumsSkipped) + " drums skipped, " +
              std::to_string(writes.writes.size()) + " writes, " + std::to_string(size) +
              " bytes, " + std::to_string(writes.length) + " ticks (" +
              Seconds(writes.length, settings.tickRate) + " s at " +
              std::to_string(settings.tickRate) + " Hz)");
    if (!args.verbose)
        return 0;
    for (int channel = 0; channel < 16; ++channel)
        if (report.notesPerChannel[channel] > 0)
            PrintLine("  MIDI channel " + std::to_string(channel + 1) +
                      ", notes: " + std::to_string(report.notesPerChannel[channel]));
    PrintLine(std::string("  waveform select: ") + (report.waveformSelect ? "on" : "off"));
    for (const ComposeSteal& steal : report.steals)
        PrintLine("  steal at tick " + std::to_string(steal.tick) + ": chip channel " +
                  std::to_string(steal.channel) + " from MIDI channel " +
                  std::to_string(steal.stolenMidiChannel + 1) + " key " +
                  std::to_string(steal.stolenKey) + " to MIDI channel " +
                  std::to_string(steal.midiChannel + 1) + " key " + std::to_string(steal.key));
    return 0;
}
