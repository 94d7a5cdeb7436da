#include "ImfSong.h"
#include "ScriptedSurface.h"
#include "SongFeed.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using testsupport::Feed;

TEST(Rhythm, PercussionConsistencyErrors) {
    TImfSong song;
    Feed(song, {{0xBD, 0x21}});
    song.rhythmnotes[0] = nullptr;
    EXPECT_EQ(testsupport::MessageOf([&] { song.ProcessCommand(0xBD, 0x20); }),
              "note end while no note active");
    song.oldrh = 0;
    song.rhythmnotes[0] = std::make_shared<TNote>();
    EXPECT_EQ(testsupport::MessageOf([&] { song.ProcessCommand(0xBD, 0x21); }),
              "note start while note active");
}

TEST(Rhythm, CheckRhythmCountsChangesPerTick) {
    ScriptedScreen surface;
    TImfSong song;
    for (int t : {0, 0, 5, 5, 5, 9})
        song.channels[0].push_back(MakeInstruction(0xBD, 0, t));
    song.CheckRhythm();
    TImfSong single;
    single.channels[0].push_back(MakeInstruction(0xBD, 0, 1));
    single.channels[0].push_back(MakeInstruction(0xBD, 0, 2));
    single.CheckRhythm();
    TImfSong none;
    none.CheckRhythm();
    EXPECT_EQ(surface->notices, (std::vector<std::string>{"up to 3 rhythm changes per cycle",
                                                          "up to 1 rhythm changes per cycle",
                                                          "up to 0 rhythm changes per cycle"}));
}

TEST(Rhythm, EveryRegisterNumberHasItsOwnRecord) {
    // 0xFF, past every register the chip has, is remembered apart from the rhythm bits.
    TImfSong song;
    Feed(song, {{0xBD, 0x30, 10}, {0xFF, 0x00}, {0xBD, 0x20, 10}});
    EXPECT_EQ(song.regs[0xFF], 0x00);
    ASSERT_EQ(song.notes.size(), 1u);
    EXPECT_EQ(song.notes[0]->endtime, 10);
}
