// imftool convert: any song file the tools read into any they write, write for write; a MIDI
// file composed for the chip.
#include "FileBytes.h"
#include "GameProfile.h"
#include "MidiReader.h"
#include "SongFile.h"
#include "TickRate.h"
#include "ToolArgs.h"
#include "ToolCommands.h"

#include <cstdio>

int ToolConvert(int argc, char** argv, int first) {
    const std::string usage =
        "usage: imftool convert IN OUT [--rate R] [--length-word] [--title TEXT]\n"
        "                       [--bank FILE] [--game NAME] [--free-channel0] [--verbose]\n"
        "  Reads IN (IMF, KMF, DRO, RAW, VGM or VGZ) and writes exactly its writes, in their\n"
        "  order and at their ticks, to OUT in the format its extension names: .kmf KMF, .vgm\n"
        "  VGM, .vgz compressed VGM, .dro DRO version 2, anything else IMF.\n"
        "  A Standard MIDI File (format 0 or 1) is composed for the chip instead: nine\n"
        "  channels, each note on a free channel that last played its instrument, else the one\n"
        "  released longest ago, else a sounding note taken (one held only by the pedal, else\n"
        "  the oldest); channel 10 plays the bank's drums at their fixed notes. A note's level\n"
        "  is the instrument's carrier level (both operators when additive) plus\n"
        "  40*log10(127/v) dB for each of velocity, volume (controller 7) and expression\n"
        "  (controller 11), in steps of 0.75 dB, at most 63. Writes that no sample can hear\n"
        "  are left out. One line reports notes, notes started, steals, drums skipped,\n"
        "  writes, bytes and length.\n"
        "  --rate R        ticks per second (default: IN's KMF rate, or the game's; else 700\n"
        "                  when IN, or for a capture or MIDI file OUT, ends in .wlf; else 560);\n"
        "                  a KMF file's rate field\n"
        "  --length-word   IMF with a leading length word (default: headerless); a MIDI\n"
        "                  song whose data passes 65535 bytes is refused then\n"
        "  --title TEXT    VGM: the title in its GD3 tag\n"
        "  --bank FILE     MIDI: the instruments, a GENMIDI (OP2), WOPL or IBK bank (default:\n"
        "                  the Freedoom project's OPL2 GENMIDI bank, built in)\n"
        "  --game NAME     MIDI: the rate, layout and free channel of a game: " +
        GameProfileNames() +
        "\n"
        "  --free-channel0 MIDI: leave channel 0 to the game's sound effects\n"
        "  With --verbose a MIDI file's notes per MIDI channel and every note taken are listed.\n";
    ToolArgs args = ParseToolArgs(argc, argv, first,
                                  {{"--rate", true},
                                   {"--length-word", false},
                                   {"--title", true},
                                   {"--bank", true},
                                   {"--game", true},
                                   {"--free-channel0", false}},
                                  2, 2, usage);
    if (args.help)
        return PrintHelp(usage);
    int rate = args.Rate();
    const std::string& in = args.positional[0];
    const std::string& out = args.positional[1];

    PrepareOutput(out, {in}, true);
    std::vector<std::uint8_t> bytes = ReadFileBytes(in);
    if (IsMidi(bytes))
        return ConvertMidi(bytes, args);
    for (const char* option : {"--bank", "--game", "--free-channel0"})
        if (args.Has(option))
            UsageError(std::string(option) + " is for a MIDI file", usage);
    SongSource input = ReadSongSource(std::move(bytes), in);
    OutputSettings settings;
    settings.tickRate = input.TickRate(rate, out);
    settings.lengthWord = args.Has("--length-word");
    settings.title = args.Text("--title", "");
    WarnOfImfRate(out, settings.tickRate);
    SaveWrites(input.Writes(settings.tickRate), out, settings);
    return 0;
}
