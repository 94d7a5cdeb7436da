// Instrument banks: a song's timbres written in each format and read back, the banks of other
// tools read and written back byte for byte, and the limit of the IBK format.
#include "BankFormats.h"
#include "IbkFile.h"
#include "ImfError.h"
#include "InstrumentBank.h"
#include "MidiFile.h"
#include "SbiFile.h"
#include "SongBank.h"
#include "SongFeed.h"
#include "SongVoices.h"
#include "TestSupport.h"
#include "WoplFile.h"

#include <gtest/gtest.h>

#include <map>

using testsupport::ReadBytes;
using testsupport::TempDir;

namespace {
// Two timbres on channels 0 and 1, then a bass drum in rhythm mode at tick 150.
TImfSong TwoTimbresAndADrum() {
    TImfSong song;
    testsupport::Feed(song, {{0x20, 0x21},
                             {0x23, 0x21},
                             {0x43, 0x10},
                             {0xA0, 0x44},
                             {0xB0, 0x32, 100},
                             {0xB0, 0x12},
                             {0x21, 0x02},
                             {0x24, 0x03},
                             {0xC1, 0x0E},
                             {0xB1, 0x31, 50},
                             {0xB1, 0x11},
                             {0x30, 0x01},
                             {0x33, 0x05},
                             {0xA6, 0x57},
                             {0xB6, 0x09},
                             {0xBD, 0x30, 20},
                             {0xBD, 0x20}});
    return song;
}

std::filesystem::path BanksDir() {
    return std::filesystem::path(IMF_CORPUS_DIR).parent_path() / "banks";
}
} // namespace

TEST(BankFiles, EachFormatHoldsTheSongsTimbresInOrderOfFirstUse) {
    SongVoices voices = ReadSongVoices(TwoTimbresAndADrum());
    ASSERT_EQ(voices.timbres.size(), 2u);
    ASSERT_EQ(voices.drums.size(), 1u);
    TempDir dir;
    for (const char* name : {"song.wopl", "song.IBK", "sbi"}) {
        SCOPED_TRACE(name);
        std::string path = (dir / name).string();
        SaveBank(SongBank(voices, {"lead"}, BankFormatOfPath(path)), path);
        std::string format;
        InstrumentBank back = LoadBank(path, format);
        ASSERT_GE(back.melodic.size(), 2u);
        EXPECT_EQ(back.melodic[0].name, "lead");
        EXPECT_EQ(back.melodic[0].modulator.character, 0x21);
        EXPECT_EQ(back.melodic[0].carrier.scaleLevel, 0x10);
        EXPECT_EQ(back.melodic[1].name, "v1 t100");
        EXPECT_EQ(back.melodic[1].modulator.character, 0x02);
        EXPECT_EQ(back.melodic[1].carrier.character, 0x03);
        EXPECT_EQ(back.melodic[1].feedbackConnection, 0x0E);
        // The bass drum: 343 * 49716 / 2^18 Hz is 65.05 Hz, key 36.
        const BankInstrument& drum =
            format.starts_with("WOPL") ? back.percussion.at(36) : back.melodic.at(2);
        EXPECT_EQ(drum.name, "bd t150");
        EXPECT_EQ(drum.modulator.character, 0x01);
        EXPECT_EQ(drum.carrier.character, 0x05);
        if (format.starts_with("WOPL")) {
            EXPECT_EQ(drum.flags, 0x08);
            EXPECT_EQ(drum.percussionKey, 36);
            EXPECT_EQ(back.melodic[2].flags, kBlankInstrument);
            EXPECT_EQ(back.volumeModel, 0); // the generic model
            EXPECT_EQ(back.globalFlags, 0);
            EXPECT_EQ(back.melodic[0].delayOn, 0); // a song's timbre has no key delays
            EXPECT_EQ(back.melodic[0].delayOff, 0);
            EXPECT_EQ(ReadBytes(path).size(), 19u + 2 * 34 + 2 * 128 * 66);
        } else {
            EXPECT_EQ(drum.tail[0], 6);  // the percussion voice of the bass drum
            EXPECT_EQ(drum.tail[2], 36); // its pitch
        }
    }
}

TEST(BankFiles, BanksOfOtherToolsReadAndWriteBackByteForByte) {
    if (!std::filesystem::exists(BanksDir() / "example.wopl"))
        GTEST_SKIP() << "reference banks not found at " << BanksDir();
    std::vector<std::uint8_t> wopl = ReadBytes(BanksDir() / "example.wopl");
    InstrumentBank bank = ReadWopl(wopl);
    EXPECT_EQ(bank.melodic[0].name, "2-op instrument example #1");
    EXPECT_EQ(bank.melodic[0].carrier.character, 0x01); // the carrier comes first in WOPL
    EXPECT_EQ(bank.melodic[0].modulator.character, 0x03);
    EXPECT_EQ(WoplBytes(bank), wopl);

    std::vector<std::uint8_t> ibk = ReadBytes(BanksDir() / "gmopl.ibk");
    InstrumentBank gm = ReadIbk(ibk);
    EXPECT_EQ(gm.melodic[0].modulator.scaleLevel, 0x8F);
    EXPECT_EQ(IbkBytes(gm), ibk);

    for (const char* name : {"bass1.sbi", "banjo.sbi", "bdrum.sbi"}) {
        std::vector<std::uint8_t> sbi = ReadBytes(BanksDir() / name);
        EXPECT_EQ(SbiBytes(ReadSbi(sbi)), sbi) << name;
    }
}

TEST(BankFiles, AnIbkHoldsAtMost128TimbresAndWoplAddsSets) {
    InstrumentBank bank;
    bank.melodic.resize(128);
    EXPECT_EQ(IbkBytes(bank).size(), 3204u);
    bank.percussion.resize(1);
    try {
        IbkBytes(bank);
        FAIL() << "129 timbres fit an IBK bank";
    } catch (const ImfError& error) {
        EXPECT_STREQ(error.what(), "ERROR: too many timbres for an IBK bank: 129 (at most 128)");
    }
    bank.melodic.resize(129);
    InstrumentBank back = ReadWopl(WoplBytes(bank));
    ASSERT_EQ(back.melodicSets.size(), 2u);
    EXPECT_EQ(back.melodicSets[1].lsb, 1);
    EXPECT_EQ(back.melodic.size(), 256u);
    EXPECT_THROW(ReadWopl(std::vector<std::uint8_t>(kWoplMagic.begin(), kWoplMagic.end())),
                 ImfError);

    // Version 2 has the sets' names but no key delays: 62 bytes an instrument.
    std::vector<std::uint8_t> v2(kWoplMagic.begin(), kWoplMagic.end());
    v2.insert(v2.end(), {2, 0, 0, 1, 0, 1, 0, 0});
    auto put = [&](std::string_view name, std::size_t size) {
        v2.insert(v2.end(), name.begin(), name.end());
        v2.resize(v2.size() + size - name.size());
    };
    put("Tones", 34);
    put("Drums", 34);
    for (int i = 0; i < 256; ++i)
        put("v" + std::to_string(i), 62);
    InstrumentBank old = ReadWopl(v2);
    ASSERT_EQ(old.percussionSets.size(), 1u);
    EXPECT_EQ(old.melodicSets[0].name, "Tones");
    EXPECT_EQ(old.percussionSets[0].name, "Drums");
    ASSERT_EQ(old.percussion.size(), 128u);
    EXPECT_EQ(old.percussion[127].name, "v255");
}

TEST(BankFiles, EachDrumKeepsItsKindInEachFormat) {
    TImfSong song;
    testsupport::Feed(song, {{0x30, 0x01}, // bass drum: channel 6
                             {0x33, 0x02},
                             {0xA6, 0x57},
                             {0xB6, 0x09},
                             {0x31, 0x03}, // hi-hat and snare: channel 7
                             {0x34, 0x04},
                             {0xA7, 0x57},
                             {0xB7, 0x09},
                             {0x32, 0x05}, // tom-tom and cymbal: channel 8
                             {0x35, 0x06},
                             {0xA8, 0x57},
                             {0xB8, 0x09},
                             {0xBD, 0x3F, 20},
                             {0xBD, 0x20}});
    SongVoices voices = ReadSongVoices(song);
    ASSERT_EQ(voices.drums.size(), 5u);
    // IBK and SBI records name the drum by its percussion voice, WOPL by flags and MIDI key.
    const std::map<std::string, std::pair<int, int>> kinds = {{"bd", {6, 0x08}},
                                                              {"sd", {7, 0x10}},
                                                              {"tt", {8, 0x18}},
                                                              {"cy", {9, 0x20}},
                                                              {"hh", {10, 0x28}}};
    const std::map<std::string, int> keys = {
        {"bd", 36}, {"sd", 38}, {"tt", 45}, {"cy", 49}, {"hh", 42}};
    InstrumentBank records = SongBank(voices, {}, BankFormat::Ibk);
    ASSERT_EQ(records.percussion.size(), 5u);
    for (const BankInstrument& drum : records.percussion)
        EXPECT_EQ(drum.tail[0], kinds.at(drum.name.substr(0, 2)).first) << drum.name;
    InstrumentBank wopl = SongBank(voices, {}, BankFormat::Wopl);
    for (const auto& [name, key] : keys) {
        ASSERT_GT(wopl.percussion.size(), std::size_t(key));
        EXPECT_EQ(wopl.percussion[key].name.substr(0, 2), name);
        EXPECT_EQ(wopl.percussion[key].flags, kinds.at(name).second) << name;
    }
}

TEST(SongVoicesTest, RhythmModeEndsOnlyTheNotesOfTheDrumChannels) {
    TImfSong song;
    testsupport::Feed(song, {{0xA5, 0x44}, {0xB5, 0x32, 50}, {0xBD, 0x20, 50}, {0xB5, 0x12}});
    const SongVoices voices = ReadSongVoices(song);
    ASSERT_EQ(voices.notes.size(), 1u);
    EXPECT_EQ(voices.notes[0].end, 100);
}

TEST(SongVoicesTest, AHeldNoteFollowsItsChannelsPitchAndTimbre) {
    TImfSong song;
    testsupport::Feed(song, {{0x20, 0x21},
                             {0x23, 0x21},
                             {0xA0, 0x44},
                             {0xB0, 0x32, 50},
                             {0xA0, 0x50, 10}, // a bend while the note sounds
                             {0x20, 0x22, 40}, // then another timbre
                             {0xB0, 0x12},
                             {0xA1, 0x44, 10}}); // another channel's pitch: not this note's
    const SongVoices voices = ReadSongVoices(song);
    ASSERT_EQ(voices.notes.size(), 1u);
    const VoiceNote& note = voices.notes[0];
    ASSERT_EQ(note.pitches.size(), 2u);
    EXPECT_EQ(note.pitches[1].time, 50);
    EXPECT_EQ(note.pitches[1].blockFnum, 4 << 10 | 0x250); // block 4, frequency 0x250
    ASSERT_EQ(note.programs.size(), 2u);
    EXPECT_EQ(note.programs[1].time, 60);
    EXPECT_EQ(note.end, 100);
}

TEST(MidiTempo, ExactTempoWithTheLongestQuarterUpToHalfASecond) {
    auto tempo = [](int rate) {
        const MidiTempo chosen = ChooseMidiTempo(rate);
        return std::to_string(chosen.division) + "/" +
               std::to_string(chosen.microsecondsPerQuarter);
    };
    EXPECT_EQ(tempo(560), "280/500000");
    EXPECT_EQ(tempo(700), "350/500000");
    EXPECT_EQ(tempo(1), "1/1000000");
    EXPECT_EQ(tempo(49716), "24858/500000");
    EXPECT_EQ(tempo(32767), "32767/1000000");
    EXPECT_EQ(testsupport::MessageOf([] { ChooseMidiTempo(0); }), "ERROR: invalid tick rate: 0");
    EXPECT_EQ(testsupport::MessageOf([] { ChooseMidiTempo(32771); }),
              "ERROR: no exact MIDI tempo for 32771 ticks per second");
}

TEST(MidiVelocity, TwoStepsOfVelocityPerStepOfAttenuationDownToOne) {
    EXPECT_EQ(VelocityOfLevel(0), 127);
    EXPECT_EQ(VelocityOfLevel(10), 107);
    EXPECT_EQ(VelocityOfLevel(63), 1);
    EXPECT_EQ(VelocityOfLevel(64), 1);
    EXPECT_EQ(VelocityOfLevel(-1), 127);
}

TEST(SongBankTest, MoreTimbresOfOneDrumTakeTheFirstFreeWoplSlots) {
    // The bass drum with three timbres: its own key 36 first, then slots 0 and 1.
    TImfSong song;
    testsupport::Feed(song, {{0x30, 0x01},
                             {0xBD, 0x30, 10},
                             {0xBD, 0x20},
                             {0x30, 0x02},
                             {0xBD, 0x30, 10},
                             {0xBD, 0x20},
                             {0x30, 0x03},
                             {0xBD, 0x30, 10},
                             {0xBD, 0x20}});
    const SongVoices voices = ReadSongVoices(song);
    ASSERT_EQ(voices.drums.size(), 3u);
    const InstrumentBank wopl = SongBank(voices, {}, BankFormat::Wopl);
    ASSERT_EQ(wopl.percussion.size(), 37u);
    EXPECT_EQ(wopl.percussion[36].modulator.character, 0x01);
    EXPECT_EQ(wopl.percussion[0].modulator.character, 0x02);
    EXPECT_EQ(wopl.percussion[1].modulator.character, 0x03);
    for (std::size_t slot = 2; slot < 36; ++slot)
        EXPECT_EQ(wopl.percussion[slot].flags, kBlankInstrument) << slot;
}
