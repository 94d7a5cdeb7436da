#include "WavFile.h"

#include <gtest/gtest.h>

TEST(WavFileTest, HeaderAndSamplesAreLittleEndianMonoPcm) {
    std::vector<std::uint8_t> bytes = WavBytes({1, -2, 0x1234}, 49716);
    std::vector<std::uint8_t> expected = {
        'R',  'I',  'F',  'F',  0x2A, 0x00, 0x00, 0x00, // RIFF, 36 + 6 data bytes
        'W',  'A',  'V',  'E',  'f',  'm',  't',  ' ',  //
        0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, // fmt size 16, PCM, mono
        0x34, 0xC2, 0x00, 0x00, 0x68, 0x84, 0x01, 0x00, // 49716 Hz, 99432 bytes per second
        0x02, 0x00, 0x10, 0x00, 'd',  'a',  't',  'a',  // 2 bytes per frame, 16 bits
        0x06, 0x00, 0x00, 0x00, 0x01, 0x00, 0xFE, 0xFF, // 6 data bytes, 1, -2
        0x34, 0x12};
    EXPECT_EQ(bytes, expected);
    EXPECT_EQ(WavBytes({}, 49716).size(), 44u);
}
