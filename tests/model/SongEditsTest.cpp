#include "ImfSong.h"
#include "SongFeed.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testsupport::Feed;

namespace {
// The (register, value) pairs of one channel list, as "43=45".
std::vector<std::string> ListOf(const TImfSong& song, int list) {
    std::vector<std::string> out;
    for (const InstructionRef& instruction : song.channels[list])
        out.push_back(RegHex(instruction->reg) + "=" + RegHex(instruction->val));
    return out;
}

// Channel 0's carrier at key scale 1, level 5; channel 1's at level 0x3E; a modulator level.
TImfSong LevelledSong() {
    TImfSong song;
    Feed(song, {{0x43, 0x45}, {0x40, 0x05}, {0x44, 0x3E}, {0x43, 0x01}});
    return song;
}
} // namespace

TEST(SongEdits, VolumeMovesOnlyCarrierLevelsAndKeepsKeyScale) {
    TImfSong song = LevelledSong();
    ASSERT_EQ(ListOf(song, 1), (std::vector<std::string>{"43=45", "40=05", "43=01"}));
    ASSERT_EQ(ListOf(song, 2), (std::vector<std::string>{"43=3E"}));

    song.ChangeChannelVolume(1, 10); // louder: the attenuation falls, and stops at 0
    EXPECT_EQ(ListOf(song, 1), (std::vector<std::string>{"43=40", "40=05", "43=00"}));
    EXPECT_EQ(ListOf(song, 2), (std::vector<std::string>{"43=3E"}));

    song.ChangeVolume(-3); // softer everywhere: the attenuation rises, and stops at 63
    EXPECT_EQ(ListOf(song, 1), (std::vector<std::string>{"43=43", "40=05", "43=03"}));
    EXPECT_EQ(ListOf(song, 2), (std::vector<std::string>{"43=3F"}));

    song.ChangeVolume(0);
    song.ChangeChannelVolume(0, -20);  // not a channel
    song.ChangeChannelVolume(10, -20); // not a channel
    EXPECT_EQ(ListOf(song, 1), (std::vector<std::string>{"43=43", "40=05", "43=03"}));
    song.ChangeChannelVolume(9, -20); // a channel without writes
    song.ChangeChannelVolume(2, 100);
    EXPECT_EQ(ListOf(song, 2), (std::vector<std::string>{"43=00"}));
}

TEST(SongEdits, SwapExchangesWholeListsOfChannelsOneToNine) {
    TImfSong song = LevelledSong();
    song.SwapChannels(0, 2);
    song.SwapChannels(2, 10);
    EXPECT_EQ(ListOf(song, 2), (std::vector<std::string>{"43=3E"}));
    song.SwapChannels(2, 9);
    EXPECT_TRUE(song.channels[2].empty());
    EXPECT_EQ(ListOf(song, 9), (std::vector<std::string>{"43=3E"}));
    song.SwapChannels(1, 1);
    EXPECT_EQ(ListOf(song, 1), (std::vector<std::string>{"43=45", "40=05", "43=01"}));
}
