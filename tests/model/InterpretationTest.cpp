#include "ImfError.h"
#include "ImfSong.h"
#include "SongFeed.h"

#include <gtest/gtest.h>

using testsupport::Feed;

TEST(Interpretation, NewAndInitReadStates) {
    TImfSong song;
    EXPECT_EQ(song.regs[0x20], 0);
    song.InitRead();
    EXPECT_EQ(song.regs[0x20], 256);
    EXPECT_EQ(song.globaltime, 0);
    EXPECT_TRUE(song.notes.empty());
}

TEST(Interpretation, NoteTakesTimbreFromRegisterImageAtKeyOn) {
    TImfSong song;
    Feed(song, {{0x2B, 0x11}, {0x4B, 0x22}, {0xB3, 0x2A, 5}, {0xB3, 0x0A}});
    ASSERT_EQ(song.notes.size(), 1u);
    const TNote& note = *song.notes[0];
    EXPECT_EQ(note.oldvoice, 3);
    EXPECT_EQ(note.startval, 0x2A);
    EXPECT_EQ(note.index, 2);
    EXPECT_EQ(note.timbre.r23, 0x11);
    EXPECT_EQ(note.timbre.r43, 0x22);
    for (auto field : {&TTimbre::r20, &TTimbre::r40, &TTimbre::r60, &TTimbre::r63,
                       &TTimbre::r80, &TTimbre::r83, &TTimbre::rC0, &TTimbre::rE0,
                       &TTimbre::rE3, &TTimbre::rA0})
        EXPECT_EQ(note.timbre.*field, 256);
    EXPECT_EQ(note.starttime, 0);
    EXPECT_EQ(note.endtime, 5);
    EXPECT_EQ(note.endval, 0x0A);
    ASSERT_EQ(song.channels[4].size(), 4u);
    EXPECT_EQ(song.channels[4][2]->reg, 0xB0);
    EXPECT_EQ(song.channels[4][0]->reg, 0x23);
    EXPECT_EQ(song.channels[4][1]->reg, 0x43);
    EXPECT_TRUE(song.notes[0]->extras.empty());
}

TEST(Interpretation, SecondKeyOnIsAnExtraAndWritesAreShared) {
    TImfSong song;
    Feed(song, {{0xB0, 0x31, 4}, {0xA0, 0x57}, {0xB0, 0x32, 4}, {0xB0, 0x12}});
    ASSERT_EQ(song.notes.size(), 1u);
    const TNote& note = *song.notes[0];
    ASSERT_EQ(note.extras.size(), 2u);
    EXPECT_EQ(note.extras[0].get(), song.channels[1][1].get()); // the same object
    EXPECT_EQ(note.extras[1]->val, 0x32);
    EXPECT_EQ(note.endval, 0x12);
    EXPECT_EQ(note.endtime, 8);
    EXPECT_EQ(song.activenotes[0], nullptr);
}

TEST(Interpretation, UnusedKeyOffIsReportedAndStillStored) {
    TImfSong song;
    testing::internal::CaptureStdout();
    Feed(song, {{0x20, 1, 96}, {0xB2, 0x11}});
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "ProcessCommand: unused KeyOff for voice 2 at sample 96: 11\n");
    ASSERT_EQ(song.channels[3].size(), 1u);
    EXPECT_EQ(song.channels[3][0]->reg, 0xB0);
    EXPECT_TRUE(song.notes.empty());
}

TEST(Interpretation, InvalidAndGlobalRegisters) {
    TImfSong song;
    Feed(song, {{0x05, 1}, {0xF7, 2}, {0x08, 0x40}, {0x20, 1}, {0x21, 2}});
    EXPECT_EQ(song.regs[0x05], 1);
    EXPECT_EQ(song.regs[0xF7], 2);
    EXPECT_EQ(song.globalindex, 5);
    ASSERT_EQ(song.channels[0].size(), 1u);
    EXPECT_EQ(song.channels[0][0]->reg, 0x08);
    EXPECT_EQ(song.channels[0][0]->index, 2);
    EXPECT_EQ(song.channels[1].size(), 1u);
    EXPECT_EQ(song.channels[2].size(), 1u);
    EXPECT_EQ(song.channels[2][0]->index, 4);
    EXPECT_EQ(song.InstructionCount(), 3);
}

TEST(Interpretation, NotesStayInStartOrderAndOpenNotesKeepEndZero) {
    TImfSong song;
    Feed(song, {{0xB1, 0x20, 0}, {0xB0, 0x20, 10}, {0xB1, 0x00, 0}, {0xB1, 0x21, 0}});
    ASSERT_EQ(song.notes.size(), 3u);
    EXPECT_EQ(song.notes[0]->oldvoice, 1);
    EXPECT_EQ(song.notes[1]->oldvoice, 0);
    EXPECT_EQ(song.notes[0]->endtime, 10);
    EXPECT_EQ(song.notes[1]->endtime, 0);
    EXPECT_EQ(song.notes[2]->starttime, 10);
    EXPECT_EQ(song.globaltime, 10);
    song.ProcessPause(0);
    EXPECT_EQ(song.globaltime, 10);
}

TEST(Interpretation, SongTimeBeyond32BitsIsRefused) {
    TImfSong song;
    song.InitRead();
    song.ProcessPause(INT32_MAX - 5);
    song.ProcessPause(5);
    EXPECT_EQ(song.globaltime, INT32_MAX);
    try {
        song.ProcessPause(1);
        FAIL() << "no error raised";
    } catch (const ImfError& error) {
        EXPECT_EQ(error.Message(), "ERROR: song longer than 2147483647 ticks");
    }
}
