// Inputs that made the system fail in ways other than its own raised errors, kept as tests.
#include "ImfError.h"
#include "ImfFile.h"
#include "SongFormats.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

// 32,769 records of the longest delay run past the 32-bit song time (signed overflow before).
TEST(FaultRegressions, DelaysAddingUpPastThe32BitSongTimeRaiseAnError) {
    std::vector<std::uint8_t> bytes = {0, 0, 0, 0};
    for (int i = 0; i < 32769; ++i)
        bytes.insert(bytes.end(), {0x20, 0x01, 0xFF, 0xFF});
    TImfSong song;
    try {
        LoadFromBytes(song, bytes);
        FAIL() << "the song time must not wrap";
    } catch (const ImfError& error) {
        EXPECT_EQ(error.Message(), "ERROR: song longer than 2147483647 ticks");
    }
    EXPECT_EQ(song.globaltime, 32768 * 65535); // the records before have been read

    // One record fewer fits.
    bytes.resize(bytes.size() - 4);
    LoadFromBytes(song, bytes);
    EXPECT_EQ(song.globaltime, 32768 * 65535);
}
