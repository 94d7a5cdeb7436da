#include "Optimize.h"
#include "ScriptedSurface.h"
#include "SongFeed.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

using testsupport::Feed;

namespace {
class OptimizePass : public testing::Test {
protected:
    int Run(TImfSong& song, int force, const TrackViewer& viewer = {}) {
        testing::internal::CaptureStdout();
        int result = Optimize(song, 1, -1, 1, static_cast<std::uint8_t>(force), viewer);
        printed = testing::internal::GetCapturedStdout();
        return result;
    }

    ScriptedScreen scripted;
    std::string printed;
};

// One note on channel 0 with `timbreWrites` of its timbre registers written before it.
void OneNote(TImfSong& song, int timbreWrites) {
    song.InitRead();
    for (int i = 0; i < timbreWrites; ++i)
        song.ProcessCommand(TTimbre::kFields[i].reg, static_cast<std::uint8_t>(0x10 + i));
    song.ProcessCommand(0xB0, 0x31);
    song.ProcessPause(10);
    song.ProcessCommand(0xB0, 0x11);
}
} // namespace

TEST_F(OptimizePass, RepeatedTimbreWritesFallAwayAndTheNotesMoveToChannelOne) {
    TImfSong song;
    Feed(song, {{0x01, 0x20},
                {0x20, 1},
                {0x40, 2},
                {0xB0, 0x31, 10},
                {0xB0, 0x11, 10},
                {0x20, 1},
                {0x40, 2},
                {0xB0, 0x31, 10},
                {0xB0, 0x11}});
    const TTrackList* seen = nullptr;
    std::size_t seenCount = 0;
    int result = Run(song, 0, [&](const TTrackList& tracks) {
        seen = &tracks;
        seenCount = tracks.size();
    });
    EXPECT_EQ(printed, "song has 1 tacks\ntracks have 28 instructions\nold: 9 new: 17\n");
    EXPECT_EQ(result, 0); // the split spells out all twelve registers per note
    EXPECT_NE(seen, nullptr);
    EXPECT_EQ(seenCount, 1u);
    ASSERT_EQ(scripted->notices.size(), 1u);
    EXPECT_EQ(scripted->notices[0], "optimization ADDED 8 instructions\n--CANCELED--");
    EXPECT_EQ(scripted->clearKeysCalls, 1);
    EXPECT_EQ(song.channels[1].size(), 8u);
}

TEST_F(OptimizePass, EqualCountIsCancelledUnlessForced) {
    TImfSong song;
    OneNote(song, 12);
    auto before = song.channels;
    EXPECT_EQ(Run(song, 0), 0);
    EXPECT_EQ(printed, "song has 1 tacks\ntracks have 14 instructions\nold: 14 new: 14\n");
    ASSERT_EQ(scripted->notices.size(), 1u);
    EXPECT_EQ(scripted->notices[0], "optimization ADDED 0 instructions\n--CANCELED--");
    EXPECT_EQ(song.channels, before);

    EXPECT_EQ(Run(song, 1), 0);
    EXPECT_TRUE(song.channels[1].empty());
    ASSERT_EQ(song.channels[2].size(), 14u);
    EXPECT_TRUE(song.channels[2][12]->IsKeyOn());
    EXPECT_EQ(scripted->notices.size(), 1u);
}

TEST_F(OptimizePass, ForcedLargerSongGivesANegativeResult) {
    TImfSong song;
    OneNote(song, 7);
    EXPECT_EQ(Run(song, 0), 0);
    ASSERT_EQ(scripted->notices.size(), 1u);
    EXPECT_EQ(scripted->notices[0], "optimization ADDED 5 instructions\n--CANCELED--");
    EXPECT_EQ(Run(song, 1), -5);
    EXPECT_EQ(printed, "song has 1 tacks\ntracks have 14 instructions\nold: 9 new: 14\n");
    EXPECT_EQ(song.InstructionCount(), 14);
}
