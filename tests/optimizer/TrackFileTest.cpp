#include "TestSupport.h"
#include "Track.h"

#include <gtest/gtest.h>

using testsupport::ReadBytes;
using testsupport::TempDir;

TEST(TrackFile, TrackAloneOnChannelZeroWithTheGivenGlobalWrites) {
    TTrack track;
    track.AddInstruction(0xB0, 0x31, 0);
    track.AddInstruction(0xB0, 0x11, 10);
    TInstructionList globals = {MakeInstruction(0x01, 0x20, 0)};
    TempDir dir;
    track.SaveToImf((dir / "track.imf").string(), &globals);
    EXPECT_EQ(ReadBytes(dir / "track.imf"),
              (std::vector<std::uint8_t>{0, 0, 0, 0, 0x01, 0x20, 0, 0, 0xB0, 0x31, 10, 0, 0xB0,
                                         0x11, 0, 0}));
    track.SaveToImf((dir / "alone.imf").string(), nullptr);
    EXPECT_EQ(ReadBytes(dir / "alone.imf"),
              (std::vector<std::uint8_t>{0, 0, 0, 0, 0xB0, 0x31, 10, 0, 0xB0, 0x11, 0, 0}));
    EXPECT_EQ(track.instructions.size(), 2u);
}
