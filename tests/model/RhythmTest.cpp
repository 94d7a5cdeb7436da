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
