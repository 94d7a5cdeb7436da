#include "Dump.h"
#include "SongFeed.h"

#include <gtest/gtest.h>

TEST(Dump, ListsEveryChannelListWithKeyEndings) {
    TImfSong song;
    testsupport::Feed(song,
                      {{0xA0, 0x57}, {0xB0, 0x31, 120}, {0xB0, 0x11}, {0xBD, 0x20}, {0xB6, 0x31}});
    testing::internal::CaptureStdout();
    Dump(song);
    std::string expected;
    for (int c = 0; c < 10; ++c) {
        expected += "\n\nVoice/Channel " + std::to_string(c) + ":\n================\n\n";
        if (c == 0)
            expected += "  reg=$BD val=$20 at 120 ticks\n  reg=$B6 val=$31 at 120 ticks\n";
        if (c == 1)
            expected += "  reg=$A0 val=$57 at 0 ticks\n"
                        "  reg=$B0 val=$31 at 0 ticks (KeyOn)\n"
                        "  reg=$B0 val=$11 at 120 ticks (KeyOff)\n";
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), expected);
}
