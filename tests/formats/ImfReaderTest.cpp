#include "ImfFile.h"
#include "KmfFile.h"
#include "ListSongs.h"
#include "SongFormats.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using testsupport::MessageOf;
using testsupport::TempDir;
using testsupport::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

namespace {
struct Loaded {
    SongFileLayout layout;
    TImfSong song;
};

Loaded Load(const Bytes& bytes) {
    Loaded loaded;
    loaded.layout = LoadFromBytes(loaded.song, bytes);
    return loaded;
}
} // namespace

TEST(ImfDetection, LengthWordIsTakenWhenRegistersOutweighDelays) {
    // The sample words (5, 5) are equal: headerless, two records, delays 5 + 9.
    Loaded equal = Load({0x04, 0x00, 0x05, 0x00, 0x05, 0x00, 0x09, 0x00});
    EXPECT_EQ(equal.layout, SongFileLayout::ImfHeaderless);
    EXPECT_EQ(equal.song.globaltime, 14);
    // (6, 5): a length word of 4 bytes, one record (06 00, delay 5).
    Loaded more = Load({0x04, 0x00, 0x06, 0x00, 0x05, 0x00, 0x09, 0x00});
    EXPECT_EQ(more.layout, SongFileLayout::ImfLengthWord);
    EXPECT_EQ(more.song.globaltime, 5);
}

TEST(ImfDetection, FirstWordsThatCannotBeALengthMeanHeaderless) {
    // 0 (the all-zero record the writer puts first), odd, and larger than the file.
    for (std::uint8_t first : {0x00, 0x21, 0x44}) {
        Loaded loaded = Load({first, 0x00, 0x00, 0x00, 0x20, 0x01, 0x07, 0x00});
        EXPECT_EQ(loaded.layout, SongFileLayout::ImfHeaderless) << int(first);
        EXPECT_EQ(loaded.song.globaltime, 7) << int(first);
        ASSERT_EQ(loaded.song.channels[1].size(), 1u) << int(first);
        EXPECT_EQ(loaded.song.channels[1][0]->val, 0x01);
    }
    // "KM" without the rest of the magic is IMF too: register 0x4B, value 0x4D.
    Loaded km = Load({0x4B, 0x4D, 0x03, 0x00});
    EXPECT_EQ(km.layout, SongFileLayout::ImfHeaderless);
    EXPECT_EQ(km.song.regs[0x4B], 0x4D);
    EXPECT_EQ(km.song.globaltime, 3);
}

TEST(ImfDetection, ShortFileWithLengthWordSamplesOnlyWholePairs) {
    // A length word of 8 with two records: fewer than the 8 pairs a full sample would want.
    Loaded loaded = Load({0x08, 0x00, 0xA0, 0x44, 0x01, 0x00, 0xB0, 0x31, 0x02, 0x00});
    EXPECT_EQ(loaded.layout, SongFileLayout::ImfLengthWord);
    ASSERT_EQ(loaded.song.channels[1].size(), 2u);
    EXPECT_EQ(loaded.song.channels[1][1]->reg, 0xB0);
    EXPECT_EQ(loaded.song.channels[1][1]->globaltime, 1);
    EXPECT_EQ(loaded.song.globaltime, 3);
}

TEST(ImfDetection, BytesAfterTheLengthWordsDataAreIgnored) {
    Loaded loaded = Load({0x04, 0x00, 0xA0, 0x44, 0x07, 0x00, 0xFF, 0xFF, 0xFF});
    EXPECT_EQ(loaded.layout, SongFileLayout::ImfLengthWord);
    EXPECT_EQ(loaded.song.InstructionCount(), 1);
    EXPECT_EQ(loaded.song.globaltime, 7);
}

TEST(ImfReading, CutRecordsRaiseAfterTheWholeRecordsWereRead) {
    auto expectCut = [](const Bytes& bytes, std::int64_t recordsRead) {
        TImfSong song;
        EXPECT_EQ(MessageOf([&] { LoadFromBytes(song, bytes); }), "Error reading from stream");
        EXPECT_EQ(song.InstructionCount(), recordsRead);
    };
    expectCut({}, 0);
    expectCut({0x00}, 0);
    expectCut({0x00, 0x00}, 0);
    expectCut({0xA0, 0x44, 0x01, 0x00, 0xB0, 0x31}, 1);             // headerless, 6 bytes
    expectCut({0x08, 0x00, 0xA0, 0x44, 0x01, 0x00, 0xB0, 0x31}, 1); // length word beyond the data
    expectCut({0x4B, 0x4D, 0x46, 0x1A, 0x30}, 0);                   // the KMF rate cut short
}

TEST(ImfReading, FixedLayoutLoaders) {
    TempDir dir;
    auto path = (dir / "song.imf").string();
    // As a length word file: 4 bytes of data; as headerless: two records.
    WriteBytes(path, {0x04, 0x00, 0xA0, 0x44, 0x07, 0x00, 0xB0, 0x11});
    TImfSong song;
    LoadChunk(song, path);
    EXPECT_EQ(song.InstructionCount(), 1);
    EXPECT_EQ(song.globaltime, 7);
    // As headerless: 04 00 waits 0x44A0, then 07 00 (a register without a meaning) 0x11B0.
    LoadImf(song, path);
    ASSERT_EQ(song.InstructionCount(), 1);
    EXPECT_EQ(song.channels[0][0]->reg, 0x04);
    EXPECT_EQ(song.globaltime, 0x44A0 + 0x11B0);
}

TEST(ImfReading, ASecondLoadIntoTheSameSongStartsAfresh) {
    const Bytes oneNote = {0, 0, 0, 0, 0xA0, 0x44, 0, 0, 0xB0, 0x31, 5, 0, 0xB0, 0x11, 0, 0};
    TImfSong song;
    LoadFromBytes(song, oneNote);
    LoadFromBytes(song, oneNote);
    EXPECT_EQ(song.notes.size(), 1u);
    EXPECT_EQ(song.channels[1].size(), 3u);
    EXPECT_EQ(song.globaltime, 5);
}
