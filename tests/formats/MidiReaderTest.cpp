// Standard MIDI Files read: events in time order across tracks, the tempo map, running status,
// SMPTE time, and the message of each malformed file; the GENMIDI bank shipped with the program.
#include "MidiReader.h"
#include "BankFormats.h"
#include "ImfError.h"
#include "InstrumentBank.h"
#include "Op2File.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
using Bytes = std::vector<std::uint8_t>;

Bytes Chunk(const char* id, const Bytes& data) {
    Bytes out(id, id + 4);
    const auto size = static_cast<std::uint32_t>(data.size());
    for (int shift : {24, 16, 8, 0})
        out.push_back(static_cast<std::uint8_t>(size >> shift));
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes Midi(int format, int division, const std::vector<Bytes>& tracks) {
    Bytes out = Chunk(
        "MThd", {0, static_cast<std::uint8_t>(format), 0, static_cast<std::uint8_t>(tracks.size()),
                 static_cast<std::uint8_t>(division >> 8), static_cast<std::uint8_t>(division)});
    for (const Bytes& track : tracks) {
        Bytes chunk = Chunk("MTrk", track);
        out.insert(out.end(), chunk.begin(), chunk.end());
    }
    return out;
}

std::string ErrorOf(const Bytes& bytes) {
    try {
        ReadMidi(bytes);
    } catch (const ImfError& error) {
        return error.Message();
    }
    return "(read)";
}

const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};
} // namespace

TEST(MidiReader, RunningStatusAndVelocityZeroAsNoteOff) {
    // Note-on C4, then (running status) velocity 0 after 96 ticks, then E4 on and off.
    const Bytes track = {0x00, 0x90, 60,   100, 0x60, 60,   0,    0x00, 64,
                         90,   0x81, 0x40, 64,  0,    0x00, 0xFF, 0x2F, 0x00};
    const MidiSong song = ReadMidi(Midi(0, 96, {track}));
    ASSERT_EQ(song.events.size(), 4u);
    EXPECT_EQ(song.events[0].kind, MidiEventKind::NoteOn);
    EXPECT_EQ(song.events[1].kind, MidiEventKind::NoteOff);
    EXPECT_EQ(song.events[1].data1, 60);
    EXPECT_EQ(song.events[2].kind, MidiEventKind::NoteOn);
    EXPECT_EQ(song.events[2].data1, 64);
    // 96 ticks of a quarter note at 120 bpm: half a second.
    EXPECT_EQ(song.events[1].time, song.unitsPerSecond / 2);
    EXPECT_EQ(song.events[3].time, song.unitsPerSecond * 3 / 2);
    EXPECT_EQ(song.length, song.events[3].time);
}

TEST(MidiReader, TempoFromAnotherTrackTimesEveryTrack) {
    // Track 0: a note at tick 192; track 1: the tempo halves the quarter note at tick 96.
    const Bytes notes = {0x81, 0x40, 0x90, 60, 100, 0x00, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
    const Bytes tempo = {0x60, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90, 0x00, 0xFF, 0x2F, 0x00};
    const MidiSong song = ReadMidi(Midi(1, 96, {notes, tempo}));
    EXPECT_EQ(song.tempoChanges, 1);
    ASSERT_EQ(song.events.size(), 2u);
    // 0.5 s at 120 bpm, then 96 ticks at 250000 us a quarter note: 0.75 s.
    EXPECT_EQ(song.events[0].time, song.unitsPerSecond * 3 / 4);
}

TEST(MidiReader, SmpteDivisionIgnoresTempo) {
    // 25 frames a second of 40 ticks: a tick is a millisecond.
    const Bytes track = {0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x83,
                         0x60, 0x90, 60,   1,    0x00, 0xFF, 0x2F, 0x00};
    const MidiSong song = ReadMidi(Midi(0, 0xE728, {track}));
    ASSERT_EQ(song.events.size(), 1u);
    EXPECT_EQ(song.events[0].time * 1000 / song.unitsPerSecond, 480);
    // 29 stands for 29.97 frames a second.
    const MidiSong drop = ReadMidi(Midi(0, 0xE31E, {track}));
    EXPECT_EQ(drop.unitsPerSecond, 900000);
    EXPECT_EQ(drop.events.at(0).time, 480 * 1001);
}

TEST(MidiReader, SkipsSysexMetaAndOtherChunks) {
    // A system exclusive message, an escape (F7), a text, aftertouch, a program and a bend.
    const Bytes track = {0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7, 0x00, 0xF7, 0x02, 0x90, 0x3C,
                         0x00, 0xFF, 0x03, 0x02, 'h',  'i',  0x00, 0xA0, 60,   10,   0x00,
                         0xC0, 5,    0x00, 0xE0, 0x00, 0x50, 0x00, 0xFF, 0x2F, 0x00};
    Bytes file = Midi(0, 96, {track});
    const Bytes alien = Chunk("XFIH", {1, 2, 3});
    file.insert(file.begin() + 14, alien.begin(), alien.end());
    const MidiSong song = ReadMidi(file);
    ASSERT_EQ(song.events.size(), 2u);
    EXPECT_EQ(song.events[0].kind, MidiEventKind::Program);
    EXPECT_EQ(song.events[1].kind, MidiEventKind::PitchBend);
    EXPECT_EQ(song.events[1].data1 | song.events[1].data2 << 7, 0x2800);
}

TEST(MidiReader, MalformedFilesSayWhatAndWhere) {
    const Bytes good = Midi(0, 96, {{0x00, 0x90, 60, 100, 0x00, 0xFF, 0x2F, 0x00}});
    EXPECT_EQ(ErrorOf(Bytes(good.begin(), good.begin() + 10)),
              "ERROR: MIDI file cut short at offset 10");
    Bytes longChunk = good;
    longChunk[21] = 0x40; // the track's length
    EXPECT_EQ(ErrorOf(longChunk),
              "ERROR: MIDI chunk of 64 bytes past the end of the file at offset 14");
    EXPECT_EQ(ErrorOf(Midi(0, 96, {{0x81, 0x80, 0x80, 0x80, 0x00, 0x90, 60, 1}})),
              "ERROR: MIDI variable-length number longer than four bytes at offset 22");
    EXPECT_EQ(ErrorOf(Midi(0, 96, {{0x00, 0x90, 60}})), "ERROR: MIDI track cut short at offset 25");
    EXPECT_EQ(ErrorOf(Midi(0, 96, {{0x00, 60, 100}})),
              "ERROR: MIDI data byte without a status at offset 23");
    EXPECT_EQ(ErrorOf(Midi(0, 96, {})), "ERROR: MIDI file without tracks at offset 14");
    EXPECT_EQ(ErrorOf(Midi(2, 96, {kEnd})),
              "ERROR: MIDI format 2 (independent patterns) is not supported at offset 8");
    EXPECT_EQ(ErrorOf(Midi(0, 0, {kEnd})),
              "ERROR: MIDI division of 0 ticks a quarter note at offset 12");
    EXPECT_EQ(ErrorOf(Midi(0, 96, {{0x00, 0xF4, 0x00}})),
              "ERROR: MIDI status byte 244 that a file cannot hold at offset 23");
    EXPECT_FALSE(IsMidi(Bytes{'M', 'T', 'h'}));
    Bytes shortHeader = good;
    shortHeader[7] = 5;
    EXPECT_EQ(ErrorOf(shortHeader), "ERROR: MIDI header of 5 bytes (at least 6) at offset 4");
    EXPECT_EQ(ErrorOf(Midi(3, 96, {kEnd})), "ERROR: MIDI format 3 is not supported at offset 8");
    EXPECT_EQ(ErrorOf(Midi(0, 96, {{0x00, 0xFF, 0x03, 0x05, 'a', 'b'}})),
              "ERROR: MIDI track cut short at offset 28");
    // 4097 waits of the longest delta, 2^28 - 1 ticks each, pass 2^40 ticks.
    Bytes endless;
    for (int i = 0; i < 4097; ++i)
        endless.insert(endless.end(), {0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0x01, 0x00});
    EXPECT_EQ(ErrorOf(Midi(0, 96, {endless})), "ERROR: MIDI song too long at offset 28698");
}

TEST(MidiReader, TempoChangesOfSeveralTracksApplyInTickOrder) {
    // Track 0 halves the quarter note at tick 192, track 1 doubles it at tick 96; a note of
    // track 0 at tick 288 comes after 0.5 s, 96 ticks at 1 s and 96 ticks at 0.25 s: 1.75 s.
    const Bytes first = {0x81, 0x40, 0xFF, 0x51, 0x03, 0x03, 0xD0, 0x90,
                         0x60, 0x90, 60,   100,  0x00, 0xFF, 0x2F, 0x00};
    const Bytes second = {0x60, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x2F, 0x00};
    const MidiSong song = ReadMidi(Midi(1, 96, {first, second}));
    EXPECT_EQ(song.tempoChanges, 2);
    ASSERT_EQ(song.events.size(), 1u);
    EXPECT_EQ(song.events[0].time, song.unitsPerSecond * 7 / 4);
}

TEST(Op2Bank, TheShippedBankHasEveryProgramAndItsDrums) {
    const Bytes bytes =
        testsupport::ReadBytes(std::string(IMF_SOURCE_DIR) + "/data/freedoom-genmidi-opl2.op2");
    ASSERT_EQ(bytes.size(), 11908u);
    std::string format;
    const InstrumentBank bank = ReadBankBytes(bytes, "bank.op2", format);
    EXPECT_EQ(format, "GENMIDI");
    EXPECT_TRUE(bank.dmxPitch);
    ASSERT_EQ(bank.melodic.size(), 128u);
    ASSERT_EQ(bank.percussion.size(), 128u);
    EXPECT_TRUE(bank.percussion[34].flags & kBlankInstrument);
    EXPECT_TRUE(bank.percussion[82].flags & kBlankInstrument);
    EXPECT_FALSE(bank.percussion[35].flags & kBlankInstrument);
    // Program 0 from its 36 bytes at offset 8: flags, fine-tune, note, then the voices.
    const BankInstrument& piano = bank.melodic[0];
    EXPECT_EQ(piano.modulator.character, bytes[12]);
    EXPECT_EQ(piano.modulator.attackDecay, bytes[13]);
    EXPECT_EQ(piano.modulator.scaleLevel, (bytes[16] & 0xC0) | bytes[17]);
    EXPECT_EQ(piano.feedbackConnection, bytes[18]);
    EXPECT_EQ(piano.carrier.waveform, bytes[22]);
    EXPECT_EQ(piano.noteOffset, static_cast<std::int16_t>(bytes[26] | bytes[27] << 8));
    EXPECT_EQ(piano.name, std::string(reinterpret_cast<const char*>(&bytes[8 + 175 * 36])));
    // The names follow in 32-byte fields, the programs' then the drums'.
    EXPECT_EQ(bank.melodic[1].name, "Bright Acoustic Piano");
    EXPECT_EQ(bank.melodic[127].name, "Gunshot");
    EXPECT_EQ(bank.percussion[35].name, "Acoustic Bass Drum");
    EXPECT_EQ(bank.percussion[81].name, "Open Triangle");
    // The flags of each drum as its record holds them (1: fixed note, 4: double voice).
    for (int key = 35; key <= 81; ++key) {
        const std::size_t at = 8 + (128 + key - 35) * 36;
        EXPECT_EQ((bank.percussion[key].flags & kFixedNoteInstrument) != 0, (bytes[at] & 1) != 0);
        EXPECT_EQ(bank.percussion[key].percussionKey, bytes[at + 3]);
    }
    EXPECT_EQ(ErrorOf(bytes), "ERROR: not a MIDI file");
    Bytes cut(bytes.begin(), bytes.begin() + 500);
    EXPECT_THROW(ReadOp2(cut), ImfError);
}
