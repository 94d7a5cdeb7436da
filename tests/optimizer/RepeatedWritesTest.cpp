// Dropping repeated writes: which writes go, in which order the decision is taken, what stays.
#include "RepeatedWrites.h"
#include "ImfFile.h"
#include "SongFeed.h"
#include "SongWrites.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>
#include <vector>

using testsupport::Feed;

using Write = testsupport::TimedWriteTuple;
using testsupport::SongWrites;

TEST(RepeatedWrites, OnlyValuesTheRegisterAlreadyHoldsGo) {
    TImfSong song;
    Feed(song, {{0x04, 0x60},
                {0x04, 0x60}, // the timer control: always kept
                {0x20, 0x00}, // first write of 0x20, though 0 is the chip's reset value
                {0x20, 0x00, 3},
                {0x21, 0x00}, // channel 1's register of the same neutral number: a first write
                {0x20, 0x01},
                {0xA0, 0x44},
                {0xB0, 0x31, 10},
                {0xB0, 0x31}, // key-on repeated: no new note on the chip
                {0xB0, 0x11, 2},
                {0x20, 0x01, 5}}); // last write repeats: the song still lasts to tick 20
    ASSERT_EQ(song.globaltime, 20);
    std::int64_t before = song.InstructionCount();
    EXPECT_EQ(DropRepeatedWrites(song), 3);
    EXPECT_EQ(song.InstructionCount(), before - 3);
    EXPECT_EQ(SongWrites(song), (std::vector<Write>{{0, 0x04, 0x60},
                                                    {0, 0x04, 0x60},
                                                    {0, 0x20, 0x00},
                                                    {3, 0x21, 0x00},
                                                    {3, 0x20, 0x01},
                                                    {3, 0xA0, 0x44},
                                                    {3, 0xB0, 0x31},
                                                    {13, 0xB0, 0x11}}));
    EXPECT_EQ(song.globaltime, 20);
    // The saved file keeps the whole length: the delays add up to 20 ticks.
    std::vector<std::uint8_t> bytes = ImfBytes(song, 0);
    int ticks = 0;
    for (std::size_t i = 4; i + 4 <= bytes.size(); i += 4)
        ticks += bytes[i + 2] | bytes[i + 3] << 8;
    EXPECT_EQ(ticks, 20);
    EXPECT_EQ(DropRepeatedWrites(song), 0) << "nothing left to drop";
}

// Where rhythm mode switches on, channel 6's registers move from its own list to list 0; a
// value repeated across that move is still a repeat, and one changed and changed back is not.
TEST(RepeatedWrites, DecidesInTheOrderOfTheFile) {
    TImfSong song;
    Feed(song, {{0xA6, 0x44},
                {0x36, 0x21, 1},
                {0xBD, 0x20, 1}, // rhythm mode on
                {0xA6, 0x44},    // repeat, now in list 0
                {0xA6, 0x45},
                {0xA6, 0x44, 1},
                {0xBD, 0x20},    // repeat
                {0xBD, 0x00, 1}, // rhythm mode off
                {0xA6, 0x44}});  // repeat, back in channel 6's list
    TImfSong copy = song;
    DropRepeatedWrites(song);
    std::vector<Write> expected;
    std::vector<std::uint16_t> image(256, 256);
    for (const Write& w : SongWrites(copy)) {
        auto [time, reg, val] = w;
        if (image[reg] != val)
            expected.push_back(w);
        image[reg] = static_cast<std::uint16_t>(val);
    }
    EXPECT_EQ(SongWrites(song), expected);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), Write{2, 0xA6, 0x44}), 1);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), Write{2, 0xA6, 0x45}), 1);
    EXPECT_EQ(std::count(expected.begin(), expected.end(), Write{4, 0xA6, 0x44}), 0);
    // The copy shares the write objects but not the lists: it keeps every write.
    EXPECT_GT(copy.InstructionCount(), song.InstructionCount());
}
