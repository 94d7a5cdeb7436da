// Dropping writes no sample can hear: for each rule a write that must go and one that must stay,
// and the song rendering sample for sample as before.
#include "UnheardWrites.h"
#include "RegisterRules.h"
#include "SilentOperators.h"
#include "SongFeed.h"
#include "SongRender.h"
#include "SongWrites.h"

#include <gtest/gtest.h>

#include <algorithm>

using testsupport::Feed;
using testsupport::SongWrites;
using Write = testsupport::TimedWriteTuple;

namespace {
constexpr int kRate = 560;

bool Holds(const TImfSong& song, Write write) {
    const auto writes = SongWrites(song);
    return std::find(writes.begin(), writes.end(), write) != writes.end();
}
} // namespace

TEST(UnheardWrites, OnePassRules) {
    TImfSong song;
    Feed(song,
         {{0x01, 0x20},    {0x02, 0x10}, // timers: reach no sample
          {0x04, 0x80},    {0x40, 0x10}, // overwritten in its tick
          {0x40, 0x20},    {0x61, 0xF0}, // channel 1's attack: channel 0's key-on does not read it
          {0xA0, 0x44},                  // channel 0's frequency, read by its key-on: stays
          {0xB0, 0x31},    {0xA0, 0x50}, {0x61, 0xF1},
          {0x20, 0x01}, // a key-on of its channel comes between: stays
          {0x23, 0x10}, // the key-scale bit: the key-on reads it
          {0xB0, 0x11}, // key-off and key-on in one tick: events, both stay
          {0xB0, 0x31},    {0x20, 0x02}, {0x23, 0x00, 1},
          {0x40, 0x10}, // changed and changed back in one tick: both go
          {0x40, 0x20},    {0xE0, 0x01}, {0xC0, 0x01},
          {0x08, 0x40, 1}, {0xE0, 0x05}, // only bits the chip lacks
          {0xC0, 0x31},    {0xB0, 0xF1}, {0x08, 0x7F},
          {0x01, 0x20, 1}});
    TImfSong timers = song;
    const SampleBuffer before = RenderSong(song, kRate);
    DropCounts counts = DropInaudibleWrites(song, {});
    EXPECT_EQ(counts.timers, 2);
    EXPECT_EQ(counts.overwritten, 3);
    EXPECT_EQ(counts.ignoredBits, 4);
    EXPECT_EQ(counts.repeated, 2);
    EXPECT_EQ(SongWrites(song), (std::vector<Write>{{0, 0x01, 0x20},
                                                    {0, 0x40, 0x20},
                                                    {0, 0xA0, 0x44},
                                                    {0, 0xB0, 0x31},
                                                    {0, 0xA0, 0x50},
                                                    {0, 0x61, 0xF1},
                                                    {0, 0x20, 0x01},
                                                    {0, 0x23, 0x10},
                                                    {0, 0xB0, 0x11},
                                                    {0, 0xB0, 0x31},
                                                    {0, 0x20, 0x02},
                                                    {0, 0x23, 0x00},
                                                    {1, 0xE0, 0x01},
                                                    {1, 0xC0, 0x01},
                                                    {1, 0x08, 0x40}}));
    EXPECT_EQ(RenderSong(song, kRate), before);
    EXPECT_EQ(DropInaudibleWrites(song, {}).Total(), 0) << "nothing more falls away";

    // Set back across its key-on, then set again: each write is dropped once, and counted once.
    TImfSong back;
    Feed(back, {{0x20, 0x01}, {0xB0, 0x31}, {0x20, 0x02}, {0x20, 0x01}, {0x20, 0x03}});
    counts = DropInaudibleWrites(back, {});
    EXPECT_EQ(counts.overwritten, 1);
    EXPECT_EQ(counts.repeated, 1);

    // A loop at tick 0, after its first write: the second time round starts from other values.
    TickedWrites looped;
    looped.writes = {{0, 0x20, 0x01}, {0, 0x40, 0x10}, {5, 0x20, 0x01}};
    looped.length = 10;
    looped.loopTime = 0;
    looped.loopWrite = 1;
    DropUnheardWrites(looped, {}, kRate, false);
    EXPECT_EQ(looped.writes.size(), 3u);

    EXPECT_EQ(DropInaudibleWrites(timers, {true}).timers, 0);
    EXPECT_TRUE(Holds(timers, {0, 0x02, 0x10}));
    EXPECT_TRUE(Holds(timers, {0, 0x04, 0x80}));
}

namespace {
std::uint8_t Reg(int number) {
    return static_cast<std::uint8_t>(number);
}
// The offset of the modulator of a channel's operators.
int SlotOf(int channel) {
    return channel % 3 + 8 * (channel / 3);
}

// A tone on the channel from tick 0 to 100 (release 7: gone within 200 ticks), `rest` ticks
// without a key, then the later writes.
TImfSong ToneThen(int rest, std::initializer_list<testsupport::Write> later, int channel = 0) {
    TImfSong song;
    testsupport::StartWithToneTimbre(song, SlotOf(channel));
    testsupport::FeedMore(song, {{0x01, 0x20},
                                 {Reg(0xA0 + channel), 0x44},
                                 {Reg(0xB0 + channel), 0x31, 100},
                                 {Reg(0xB0 + channel), 0x11, rest}});
    testsupport::FeedMore(song, later);
    return song;
}

// Drops with the replay; expects the render unchanged and returns the song.
TImfSong Dropped(TImfSong song) {
    const SampleBuffer before = RenderSong(song, kRate);
    DropUnheardWrites(song, {}, kRate, true);
    EXPECT_EQ(RenderSong(song, kRate), before);
    return song;
}
} // namespace

TEST(UnheardWrites, OperatorsAtRest) {
    // At rest: a level, a release rate and a waveform other than the sine go, and then the
    // writes that set the old values again.
    TImfSong rest = Dropped(ToneThen(900, {{0x43, 0x20, 10},
                                           {0x83, 0x0F, 10},
                                           {0xE3, 0x01, 10},
                                           {0xE3, 0x02, 10},
                                           {0xE3, 0x01},
                                           {0x43, 0x00},
                                           {0x83, 0x07},
                                           {0xB0, 0x31, 100}}));
    EXPECT_EQ(SongWrites(rest).size(), SongWrites(ToneThen(900, {})).size() + 2);
    // A sine at rest still puts out a step: a write from or to the sine stays.
    EXPECT_TRUE(Holds(rest, {1020, 0xE3, 0x01}));

    // The counts add up over the replay's rounds: once the half sine's change to a quarter
    // sine at rest is gone, the write back to it differs from the half sine in ignored bits only.
    TImfSong rounds =
        ToneThen(900, {{0xE3, 0x01, 10}, {0xE3, 0x02, 10}, {0xE3, 0x05}, {0xB0, 0x31, 100}});
    const SampleBuffer before = RenderSong(rounds, kRate);
    const DropCounts counts = DropUnheardWrites(rounds, {}, kRate, true);
    EXPECT_EQ(RenderSong(rounds, kRate), before);
    EXPECT_EQ(counts.silent, 1);
    EXPECT_EQ(counts.ignoredBits, 1);
    EXPECT_EQ(SongWrites(rounds).size(), SongWrites(ToneThen(900, {})).size() + 2);

    // The carrier's multiplier moves the phase that a sine at rest still shows: its change and
    // the change back stay.
    TImfSong phase = ToneThen(900, {{0x23, 0x24, 10}, {0x23, 0x21, 10}, {0xB0, 0x31, 100}});
    EXPECT_EQ(SongWrites(Dropped(phase)), SongWrites(phase));

    // A slot still releasing hears a level change and a new release rate.
    TImfSong releasing =
        ToneThen(5, {{0x43, 0x10, 10}, {0x83, 0x0F, 10}, {0x43, 0x00}, {0xB0, 0x31, 100}});
    EXPECT_EQ(SongWrites(Dropped(releasing)), SongWrites(releasing));

    // A carrier sustained at 42 dB (SL 14) and a total level of 24 dB, lowered by 3 dB: still
    // above the silence at 72 dB, so the change is heard.
    TImfSong faint;
    testsupport::StartWithToneTimbre(faint);
    testsupport::FeedMore(faint, {{0x43, 0x20},
                                  {0x63, 0xFF},
                                  {0x83, 0xE7},
                                  {0xA0, 0x44},
                                  {0xB0, 0x31, 100},
                                  {0x43, 0x24, 100},
                                  {0xB0, 0x11, 10}});
    EXPECT_TRUE(Holds(Dropped(faint), {100, 0x43, 0x24}));

    // A key-on, even one keyed off in the same tick, reads the attack rate written before it.
    TImfSong keyed = ToneThen(
        900, {{0x63, 0x10, 10}, {0xB0, 0x31}, {0xB0, 0x11, 10}, {0x63, 0xF0}, {0xB0, 0x31, 100}});
    EXPECT_EQ(SongWrites(Dropped(keyed)), SongWrites(keyed));

    // So does a drum's hit: the bass drum keys channel 6's operators, the snare channel 7's,
    // the tom-tom channel 8's.
    struct Drum {
        int firstSlot, channel, bit, attackReg;
    };
    for (Drum drum :
         {Drum{0x10, 6, 0x10, 0x73}, Drum{0x11, 7, 0x08, 0x74}, Drum{0x12, 8, 0x04, 0x72}}) {
        SCOPED_TRACE(drum.channel);
        const auto hit = static_cast<std::uint8_t>(0x20 | drum.bit);
        TImfSong song;
        testsupport::StartWithToneTimbre(song, drum.firstSlot);
        testsupport::FeedMore(song, {{0x01, 0x20},
                                     {Reg(0xA0 + drum.channel), 0x44},
                                     {Reg(0xB0 + drum.channel), 0x09},
                                     {0xBD, hit, 100},
                                     {0xBD, 0x20, 900},
                                     {Reg(drum.attackReg), 0x10, 10},
                                     {0xBD, hit},
                                     {0xBD, 0x20, 10},
                                     {Reg(drum.attackReg), 0xF0},
                                     {0xBD, hit, 100}});
        const TImfSong dropped = Dropped(song);
        EXPECT_TRUE(Holds(dropped, {1000, Reg(drum.attackReg), 0x10}));
        EXPECT_TRUE(Holds(dropped, {1020, Reg(drum.attackReg), 0xF0}));
    }
}

TEST(UnheardWrites, OperatorsAtRestOnEveryChannel) {
    // The operators of channels 3 to 8 lie past the gaps in the register numbers: each
    // operator's level at rest, and the write back to it, go on every channel.
    for (int channel = 0; channel < 9; ++channel) {
        SCOPED_TRACE(channel);
        const int slot = SlotOf(channel);
        const TImfSong song = ToneThen(900,
                                       {{Reg(0x40 + slot), 0x20, 10},
                                        {Reg(0x40 + slot), 0x3F},
                                        {Reg(0x43 + slot), 0x20, 10},
                                        {Reg(0x43 + slot), 0x00},
                                        {Reg(0xB0 + channel), 0x31, 100}},
                                       channel);
        const std::size_t before = SongWrites(song).size();
        EXPECT_EQ(SongWrites(Dropped(song)).size(), before - 4);
    }
}

TEST(UnheardWrites, EnvelopeBitsOfASoundingOperatorStay) {
    // The carrier's sustain bit cleared while it sounds: its envelope goes on to the release.
    TImfSong song;
    testsupport::StartWithToneTimbre(song);
    testsupport::FeedMore(
        song, {{0x01, 0x20}, {0xA0, 0x44}, {0xB0, 0x31, 50}, {0x23, 0x01, 50}, {0xB0, 0x11, 100}});
    EXPECT_TRUE(Holds(Dropped(song), {50, 0x23, 0x01}));
}

TEST(UnheardWrites, OnlyAKeyOnReadsTheRatesAtRest) {
    // A new block without the key reads nothing: the attack rate written at rest before it
    // goes (and the write back to the tone's own rate with it).
    const TImfSong block = Dropped(
        ToneThen(900, {{0x63, 0x10, 10}, {0xB0, 0x12, 10}, {0x63, 0xF0}, {0xB0, 0x31, 100}}));
    EXPECT_FALSE(Holds(block, {1000, 0x63, 0x10}));
    // A key-on keyed off in its own tick reads both operators' rates, on every channel.
    for (int channel = 0; channel < 9; ++channel) {
        SCOPED_TRACE(channel);
        const int slot = SlotOf(channel);
        for (int attack : {0x60 + slot, 0x63 + slot}) {
            const TImfSong song = ToneThen(900,
                                           {{Reg(attack), 0x10, 10},
                                            {Reg(0xB0 + channel), 0x31},
                                            {Reg(0xB0 + channel), 0x11, 10},
                                            {Reg(attack), 0xF0},
                                            {Reg(0xB0 + channel), 0x31, 100}},
                                           channel);
            EXPECT_TRUE(Holds(Dropped(song), {1000, Reg(attack), 0x10})) << attack;
        }
    }
}

TEST(UnheardWrites, RegistersInTheGapsAreNoOperators) {
    // 0x46 and 0x4E would be operators 6 and 12 if the gaps were not skipped: both at rest here.
    std::vector<TimedWrite> writes;
    for (auto [reg, val] : testsupport::kToneTimbre)
        writes.push_back({0, static_cast<std::uint8_t>(reg + 8), val});
    for (TimedWrite write : std::initializer_list<TimedWrite>{{0, 0xA3, 0x44},
                                                              {0, 0xB3, 0x31},
                                                              {100, 0xB3, 0x11},
                                                              {1000, 0x46, 0x20},
                                                              {1000, 0x4E, 0x20},
                                                              {1000, 0x56, 0x20},
                                                              {1010, 0xB3, 0x31}})
        writes.push_back(write);
    const std::vector<bool> silent = FindSilentOperatorWrites(writes, kRate, 1200);
    ASSERT_EQ(silent.size(), writes.size());
    EXPECT_EQ(std::count(silent.begin(), silent.end(), true), 0);
}

TEST(UnheardWrites, KeyOnsKeepWhatTheyMayRead) {
    // Emulators read a channel's settings at its key-on, MAME's even those of the moment before
    // the key-on's own write, DOSBox's the waveform: a write replaced in its tick stays when a
    // key-on of its channel comes between, or is the write that replaces it.
    TImfSong song;
    testsupport::StartWithToneTimbre(song);
    testsupport::FeedMore(song, {{0x01, 0x20, 1},
                                 {0x20, 0x31}, // key-scale rate: the block sets the rates
                                 {0xA0, 0x44},
                                 {0xB0, 0x1A, 10}, // block 6, no key
                                 {0xB0, 0x00},     // block 0, replaced by the key-on
                                 {0xB0, 0x32, 50},
                                 {0xEC, 0xD1}, // channel 4's carrier waveform, read by its key-on
                                 {0xA4, 0x60},
                                 {0xB4, 0x31},
                                 {0xEC, 0x00, 50},
                                 {0x43, 0x10}, // no key-on between: goes
                                 {0x43, 0x08, 10}});
    const auto before = SongWrites(song);
    std::vector<SampleBuffer> heard;
    for (Emulator emulator : {Emulator::Nuked, Emulator::Dosbox, Emulator::Mame})
        heard.push_back(RenderSong(song, kRate, 0, emulator));
    EXPECT_EQ(DropInaudibleWrites(song, {}).overwritten, 1);
    EXPECT_TRUE(Holds(song, {11, 0xB0, 0x00}));
    EXPECT_TRUE(Holds(song, {61, 0xEC, 0xD1}));
    EXPECT_FALSE(Holds(song, {111, 0x43, 0x10}));
    int i = 0;
    for (Emulator emulator : {Emulator::Nuked, Emulator::Dosbox, Emulator::Mame})
        EXPECT_TRUE(RenderSong(song, kRate, 0, emulator) == heard[i++]) << EmulatorName(emulator);
    EXPECT_EQ(SongWrites(song).size(), before.size() - 1);
}
