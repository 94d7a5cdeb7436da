// imftool's guards: any exception reported, and volume on every carrier the chip sounds.
#include "SongFormats.h"
#include "TestSupport.h"
#include "ToolCommands.h"
#include "WriteOrder.h"

#include <gtest/gtest.h>

#include <map>
#include <new>

TEST(ToolSafety, EveryExceptionEndsWithAnErrorLineAndStatus255) {
    testing::internal::CaptureStderr();
    int status = RunGuarded([](int, char**) -> int { throw std::bad_alloc(); }, 0, nullptr);
    EXPECT_EQ(status, 255);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR: std::bad_alloc\n");
}

TEST(ToolSafety, VolumeMovesEveryCarrierTheChipSounds) {
    testsupport::TempDir dir;
    testsupport::WriteBytes(
        dir / "in.imf",
        {0,    0,    0, 0, 0xC0, 0x01, 0, 0, 0x40, 0x10, 0, 0, 0x43, 0x10, 0, 0, // additive
         0xC1, 0x00, 0, 0, 0x41, 0x10, 0, 0, 0x44, 0x10, 0, 0,                   // FM
         0xBD, 0x20, 0, 0, 0x53, 0x10, 0, 0, 0x51, 0x10, 0, 0, 0x50, 0x10, 0, 0, // drums
         0xB0, 0x31, 0, 0, 0xB1, 0x31, 0, 0, 0xBD, 0x31, 5, 0, 0xBD, 0x20, 0, 0});
    std::string in = (dir / "in.imf").string(), out = (dir / "out.imf").string();
    std::vector<char*> argv = {nullptr, nullptr, in.data(), out.data(), const_cast<char*>("4")};
    ASSERT_EQ(ToolVolume(5, argv.data(), 2), 0);
    TImfSong song;
    LoadFile(song, out);
    std::map<int, int> levels;
    for (const TimedWrite& write : MergeChannelLists(song))
        levels[write.reg] = write.val;
    // Carriers: both operators of channel 0, the second of channel 1, bass drum, hi-hat.
    EXPECT_EQ(levels, (std::map<int, int>{{0x40, 0x0C},
                                          {0x43, 0x0C},
                                          {0x41, 0x10},
                                          {0x44, 0x0C},
                                          {0x50, 0x10},
                                          {0x51, 0x0C},
                                          {0x53, 0x0C},
                                          {0xB0, 0x31},
                                          {0xB1, 0x31},
                                          {0xBD, 0x20},
                                          {0xC0, 0x01},
                                          {0xC1, 0x00}}));
}
