// The composer's parts: F-number and block within 5 cents, the level curve, the game table,
// and the writes of a small song (times rounded from MIDI time, channel 0 left free).
#include "DefaultBank.h"
#include "GameProfile.h"
#include "LevelCurve.h"
#include "MidiCompose.h"
#include "Op2File.h"
#include "OplPitch.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {
double Cents(double a, double b) {
    return 1200.0 * std::log2(a / b);
}

double HertzOf(const OplFrequency& f) {
    return f.fnum * 49716.0 / std::exp2(20 - f.block);
}

MidiEvent Event(std::int64_t time, MidiEventKind kind, int data1, int data2 = 0, int channel = 0) {
    MidiEvent event;
    event.time = time;
    event.kind = kind;
    event.channel = static_cast<std::uint8_t>(channel);
    event.data1 = static_cast<std::uint8_t>(data1);
    event.data2 = static_cast<std::uint8_t>(data2);
    return event;
}
} // namespace

TEST(OplPitch, EveryKeyWithinFiveCentsAtTheLowestBlock) {
    // From 48.5 Hz (where block 0 holds F-numbers of 512 and more) to the chip's top, 6208 Hz.
    for (double pitch = 31; pitch <= 114.75; pitch += 0.25) {
        const double hertz = FrequencyOfPitch(pitch);
        const OplFrequency f = FrequencyRegisters(hertz);
        EXPECT_LT(std::abs(Cents(HertzOf(f), hertz)), 5.0) << pitch;
        EXPECT_LE(f.fnum, 1023);
        if (f.block > 0) {
            EXPECT_GT(std::lround(hertz * std::exp2(21 - f.block) / 49716.0), 1023) << pitch;
        }
    }
    EXPECT_DOUBLE_EQ(FrequencyOfPitch(69), 440.0);
    const OplFrequency a = FrequencyRegisters(440.0);
    EXPECT_EQ(a.block, 4);
    EXPECT_EQ(a.fnum, 580);
    EXPECT_EQ(a.B0(), 0x12);
    EXPECT_EQ(a.A0(), 0x44);
    EXPECT_EQ(FrequencyRegisters(20000.0).fnum, 1023); // beyond the top: the highest
}

TEST(LevelCurve, FortyLogTenInStepsOfThreeQuartersOfADecibel) {
    EXPECT_EQ(AttenuationSteps(127, 127, 127), 0);
    EXPECT_EQ(AttenuationSteps(64, 127, 127), 16); // 11.9 dB
    EXPECT_EQ(AttenuationSteps(127, 100, 127), 6); // 4.2 dB
    EXPECT_EQ(AttenuationSteps(127, 127, 0), 63);  // silent
    EXPECT_EQ(AttenuationSteps(1, 1, 1), 63);      // at most 63
    EXPECT_EQ(LeveledScale(0x8A, 6), 0x90);        // key-scale bits kept
    EXPECT_EQ(LeveledScale(0x7E, 6), 0x7F);
}

TEST(GameProfile, TheGamesOfTheTable) {
    const GameProfile* wolf = FindGameProfile("wolf3d");
    ASSERT_NE(wolf, nullptr);
    EXPECT_EQ(wolf->tickRate, 700);
    EXPECT_TRUE(wolf->lengthWord && wolf->freeChannel0);
    const GameProfile* duke = FindGameProfile("duke2");
    ASSERT_NE(duke, nullptr);
    EXPECT_EQ(duke->tickRate, 280);
    EXPECT_FALSE(duke->lengthWord || duke->freeChannel0);
    EXPECT_EQ(FindGameProfile("keen5")->tickRate, 560);
    EXPECT_EQ(FindGameProfile("doom"), nullptr);
    EXPECT_EQ(GameProfileNames(), "wolf3d, sod, keen4, keen5, keen6, duke2");
}

TEST(GameProfile, EveryGameAsDocsGamesSaysAndNoOther) {
    // Rows such as: | `keen4`, `keen5` | Commander Keen 4 to 6 | 560 Hz | yes | left free |
    const auto bytes =
        testsupport::ReadBytes(std::filesystem::path(IMF_SOURCE_DIR) / "docs" / "games.md");
    std::istringstream doc(std::string(bytes.begin(), bytes.end()));
    std::size_t games = 0;
    for (std::string line; std::getline(doc, line);) {
        if (line.rfind("| `", 0) != 0)
            continue;
        std::vector<std::string> cells;
        for (std::size_t at = 1, bar; (bar = line.find('|', at)) != std::string::npos; at = bar + 1)
            cells.push_back(line.substr(at + 1, bar - at - 2));
        ASSERT_EQ(cells.size(), 5u) << line;
        for (std::size_t tick = cells[0].find('`'); tick != std::string::npos;
             tick = cells[0].find('`', cells[0].find('`', tick + 1) + 1)) {
            const std::size_t end = cells[0].find('`', tick + 1);
            const std::string name = cells[0].substr(tick + 1, end - tick - 1);
            const GameProfile* game = FindGameProfile(name);
            ASSERT_NE(game, nullptr) << name;
            EXPECT_EQ(std::to_string(game->tickRate) + " Hz", cells[2]) << name;
            EXPECT_EQ(game->lengthWord ? "yes" : "no", cells[3]) << name;
            EXPECT_EQ(game->freeChannel0 ? "left free" : "used", cells[4]) << name;
            ++games;
        }
    }
    EXPECT_EQ(games, GameProfiles().size());
}

TEST(MidiCompose, WritesLandOnTheRoundedTickAndLeaveChannelZeroFree) {
    const InstrumentBank bank = ReadOp2(DefaultBankBytes());
    MidiSong song;
    song.unitsPerSecond = 1000; // milliseconds
    // At 700 Hz, 1 ms is 0.7 ticks: 5 ms rounds to 3.5 -> 4, 2500 ms to 1750.
    song.events = {Event(5, MidiEventKind::NoteOn, 60, 100),
                   Event(2500, MidiEventKind::NoteOff, 60)};
    song.length = 3001; // 2100.7 -> 2101
    ComposeSettings settings;
    settings.tickRate = 700;
    settings.freeChannel0 = true;
    ComposeReport report;
    const TickedWrites writes = ComposeMidi(song, bank, settings, report);
    EXPECT_EQ(writes.length, 2101);
    ASSERT_FALSE(writes.writes.empty());
    EXPECT_EQ(report.started, 1);
    for (const TimedWrite& write : writes.writes) {
        EXPECT_TRUE(write.time == 4 || write.time == 1750) << write.time;
        EXPECT_NE(write.reg, 0xB0);
        EXPECT_NE(write.reg, 0xA0);
    }
    EXPECT_EQ(writes.writes.back().reg, 0xB1);
    EXPECT_EQ(writes.writes.back().val & 0x20, 0);
    EXPECT_EQ(writes.writes.back().time, 1750);
}

TEST(MidiCompose, AProgramOrDrumTheBankLacksStartsNoNote) {
    InstrumentBank bank = ReadOp2(DefaultBankBytes());
    bank.melodic.resize(2); // a bank of two programs
    bank.percussion.resize(40);
    MidiSong song;
    song.unitsPerSecond = 1000;
    song.events = {
        Event(0, MidiEventKind::Program, 2),         Event(0, MidiEventKind::NoteOn, 60, 100),
        Event(0, MidiEventKind::NoteOn, 40, 100, 9), Event(0, MidiEventKind::NoteOn, 39, 100, 9),
        Event(500, MidiEventKind::NoteOff, 60),      Event(500, MidiEventKind::NoteOff, 40, 0, 9),
        Event(500, MidiEventKind::NoteOff, 39, 0, 9)};
    song.length = 1000;
    ComposeReport report;
    ComposeMidi(song, bank, ComposeSettings{}, report);
    EXPECT_EQ(report.notes, 3);
    EXPECT_EQ(report.started, 1); // the drum of key 39 alone
    EXPECT_EQ(report.drumNotes, 2);
    EXPECT_EQ(report.drumsStarted, 1);
    EXPECT_EQ(report.drumsSkipped, 1);
}

TEST(MidiCompose, NineNotesAtOnceSetTheTimbresOfAllEighteenOperators) {
    const InstrumentBank bank = ReadOp2(DefaultBankBytes());
    MidiSong song;
    song.unitsPerSecond = 1000;
    for (int key = 60; key < 69; ++key)
        song.events.push_back(Event(0, MidiEventKind::NoteOn, key, 100));
    for (int key = 60; key < 69; ++key)
        song.events.push_back(Event(500, MidiEventKind::NoteOff, key));
    song.length = 1000;
    ComposeReport report;
    const TickedWrites writes = ComposeMidi(song, bank, ComposeSettings{}, report);
    EXPECT_EQ(report.started, 9);
    std::set<int> characters; // the registers 0x20 to 0x35 written, one per operator
    for (const TimedWrite& write : writes.writes)
        if ((write.reg & 0xE0) == 0x20)
            characters.insert(write.reg);
    EXPECT_EQ(characters, (std::set<int>{0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x28, 0x29, 0x2A, 0x2B,
                                         0x2C, 0x2D, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35}));
}
