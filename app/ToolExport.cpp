// imftool instruments and midi: a song's timbres as an instrument bank, its notes as MIDI.
#include "BankFormats.h"
#include "Console.h"
#include "FileBytes.h"
#include "InstrumentBank.h"
#include "MidiFile.h"
#include "SongBank.h"
#include "SongFile.h"
#include "SongRender.h"
#include "SongVoices.h"
#include "ToolArgs.h"
#include "ToolCommands.h"

#include <string>
#include <vector>

namespace {
// The lines of a text file, without their line ends.
std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    std::vector<std::string> lines;
    std::string line;
    for (std::uint8_t byte : bytes) {
        if (byte == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (byte != '\r') {
            line += static_cast<char>(byte);
        }
    }
    if (!line.empty())
        lines.push_back(line);
    return lines;
}
} // namespace

int ToolInstruments(int argc, char** argv, int first) {
    const std::string usage =
        "usage: imftool instruments SONG OUT [--names FILE]\n"
        "  Writes the song's unique timbres, in order of first use, as an instrument bank of\n"
        "  the kind OUT's extension names:\n"
        "    .wopl  WOPL version 3: melodic set 0 holds the timbres as programs 0 and up; the\n"
        "           drums of rhythm mode go to the percussion set at their General MIDI notes\n"
        "           (a drum's later timbres at free notes), with their pitch as the key to play\n"
        "    .ibk   128 instruments, the drums after the melodic timbres; more is an error\n"
        "    other  a folder of SBI files 000.sbi, 001.sbi, ... in the same order as .ibk\n"
        "  Names tell where a timbre was first heard: \"v3 t12\" is channel 3 at tick 12, \"bd\n"
        "  t40\" the bass drum (sd snare, tt tom-tom, cy top cymbal, hh hi-hat).\n"
        "  --names FILE    one name per line, in bank order, in place of those\n";
    ToolArgs args = ParseToolArgs(argc, argv, first, {{"--names", true}}, 2, 2, usage);
    if (args.help)
        return PrintHelp(usage);
    std::vector<std::string> names;
    if (args.Has("--names"))
        names = ReadLines(args.Text("--names", ""));
    LoadedSong loaded = LoadSong(args.positional[0]);
    SongVoices voices = ReadSongVoices(loaded.song);
    const std::string& out = args.positional[1];
    SaveBank(SongBank(voices, names, BankFormatOfPath(out)), out);
    PrintLine(std::to_string(voices.timbres.size()) + " melodic and " +
              std::to_string(voices.drums.size()) + " percussion timbres written to " + out);
    return 0;
}

namespace {
std::string Hex2(std::uint8_t value) {
    static const char* const kDigits = "0123456789ABCDEF";
    return {kDigits[value >> 4], kDigits[value & 15]};
}

std::string OperatorText(const BankOperator& op) {
    return Hex2(op.character) + " " + Hex2(op.scaleLevel) + " " + Hex2(op.attackDecay) + " " +
           Hex2(op.sustainRelease) + " " + Hex2(op.waveform);
}

void PrintInstruments(const std::string& title, const std::vector<BankInstrument>& list) {
    std::size_t blank = 0;
    for (const BankInstrument& instrument : list)
        blank += (instrument.flags & kBlankInstrument) ? 1 : 0;
    PrintLine(title + ": " + std::to_string(list.size()) + " instruments" +
              (blank ? " (" + std::to_string(blank) + " blank)" : ""));
    for (std::size_t i = 0; i < list.size(); ++i) {
        const BankInstrument& ins = list[i];
        if (ins.flags & kBlankInstrument)
            continue;
        std::string line = "  " + std::to_string(i) + " \"" + ins.name + "\": modulator " +
                           OperatorText(ins.modulator) + ", carrier " + OperatorText(ins.carrier) +
                           ", C0 " + Hex2(ins.feedbackConnection);
        if (ins.percussionKey != 0)
            line += ", key " + std::to_string(ins.percussionKey);
        PrintLine(line);
    }
}
} // namespace

int PrintBankInfo(const std::string& path) {
    std::string format;
    InstrumentBank bank = LoadBank(path, format);
    PrintLine("file: " + path);
    PrintLine("format: " + format + " instrument bank");
    PrintLine("registers: 20 40 60 80 E0 of each operator");
    PrintInstruments("melodic", bank.melodic);
    if (!bank.percussion.empty())
        PrintInstruments("percussion", bank.percussion);
    return 0;
}

int ToolMidi(int argc, char** argv, int first) {
    const std::string usage =
        "usage: imftool midi SONG OUT.mid [--rate HZ]\n"
        "  Writes the song's notes as a Standard MIDI File of type 1: a tempo track, then a\n"
        "  track per voice that plays: channels 0 to 8 on MIDI channels 1 to 9, the drums of\n"
        "  rhythm mode on channel 10 (bass drum 36, snare 38, tom-tom 45, top cymbal 49,\n"
        "  hi-hat 42). One MIDI tick is one song tick: with g = gcd(rate, 1000000) the\n"
        "  division is k * rate / g ticks a quarter note and the tempo k * 1000000 / g\n"
        "  microseconds a quarter note, k the largest whole number that keeps a quarter note\n"
        "  at 500000 microseconds (120 bpm) or shorter and the division at 32767 or less, and\n"
        "  at least 1; at 560 ticks a second that is 280 ticks a quarter note at 120 bpm.\n"
        "  A note plays the nearest key to its pitch (the chip's frequency is fnum * 49716 /\n"
        "  2^(20 - block) Hz), bent to the exact pitch (range +-2 semitones, set by RPN at the\n"
        "  start of each track) at key-on and wherever the pitch changes. Velocity is 127 - 2\n"
        "  * the carrier's total level (level 0, the loudest, is 127; level 63 is 1; a drum\n"
        "  takes its own operator's level). A program change precedes each change of timbre,\n"
        "  numbered as imftool instruments numbers the timbres (with a bank select, bank =\n"
        "  number / 128, when there are more than 128); the drums have none.\n"
        "  --rate HZ       ticks per second (default: a KMF file's rate field, else 700 for\n"
        "                  .wlf and 560 otherwise)\n";
    ToolArgs args = ParseToolArgs(argc, argv, first, {{"--rate", true}}, 2, 2, usage);
    if (args.help)
        return PrintHelp(usage);
    int rate = args.Rate();
    LoadedSong loaded = LoadSong(args.positional[0]);
    int tickRate = ChooseTickRate(rate, loaded.format.rate, args.positional[0]);
    WriteFileReplacing(args.positional[1], MidiBytes(ReadSongVoices(loaded.song), tickRate));
    return 0;
}
