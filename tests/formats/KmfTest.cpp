#include "ByteReader.h"
#include "ImfError.h"
#include "KmfFile.h"
#include "ListSongs.h"
#include "ScriptedSurface.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using testsupport::MessageOf;
using testsupport::SongWith;
using testsupport::TempDir;
using testsupport::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

namespace {
const Bytes kHeader560 = {0x4B, 0x4D, 0x46, 0x1A, 0x30, 0x02};

Bytes Kmf(std::uint16_t size, const Bytes& blocks) {
    Bytes bytes = kHeader560;
    bytes.push_back(static_cast<std::uint8_t>(size));
    bytes.push_back(static_cast<std::uint8_t>(size >> 8));
    bytes.insert(bytes.end(), blocks.begin(), blocks.end());
    return bytes;
}

TImfSong ReadKmf(const Bytes& file) {
    TImfSong song;
    ByteReader stream(file);
    stream.Seek(6);
    ReadKMFData(song, stream);
    return song;
}
} // namespace

TEST(KmfWriter, PausesAreSpreadOverBlocksOfAtMost255) {
    // w1 and w2 at 0, w3 at 300.
    TImfSong song = SongWith({{0, 0x01, 0x20, 0}, {1, 0xA0, 0x44, 0}, {2, 0xB0, 0x31, 300}});
    EXPECT_EQ(KmfBytes(song, 560),
              Kmf(12, {2, 255, 0x01, 0x20, 0xA0, 0x44, 0, 45, 1, 0, 0xB1, 0x31}));
    // Leading silence of 600 ticks is kept; a pause of exactly 255 is one block.
    song = SongWith({{0, 0x08, 0x00, 600}, {0, 0x08, 0x40, 855}});
    EXPECT_EQ(KmfBytes(song, 560),
              Kmf(14, {0, 255, 0, 255, 0, 90, 1, 255, 0x08, 0x00, 1, 0, 0x08, 0x40}));
}

TEST(KmfWriter, FullBlocksContinueAtTheSameTick) {
    TImfSong song;
    song.InitRead();
    for (int i = 0; i < 256; ++i)
        song.channels[0].push_back(MakeInstruction(0x08, static_cast<std::uint8_t>(i), 7));
    Bytes bytes = KmfBytes(song, 560);
    ASSERT_EQ(bytes.size(), 8u + 2 + 2 + 2 + 2 * 256);
    EXPECT_EQ(bytes[6] | bytes[7] << 8, 2 + 2 + 2 + 2 * 256);
    EXPECT_EQ(Bytes(bytes.begin() + 8, bytes.begin() + 12), (Bytes{0, 7, 255, 0}));
    std::size_t second = 12 + 2 * 255;
    EXPECT_EQ(Bytes(bytes.begin() + second, bytes.end()), (Bytes{1, 0, 0x08, 0xFF}));
}

TEST(KmfWriter, WriteBeforeThePreviousOneJoinsTheCurrentBlock) {
    TImfSong song = SongWith({{1, 0xA0, 1, 10}, {1, 0xA0, 2, 20}, {1, 0xA0, 3, 5}});
    EXPECT_EQ(KmfBytes(song, 560), Kmf(12, {0, 10, 1, 10, 0xA0, 1, 2, 0, 0xA0, 2, 0xA0, 3}));
}

TEST(KmfWriter, SongKeepsItsLengthAfterTheLastWrite) {
    TImfSong song = SongWith({{0, 0x01, 0x20, 0}}, 300);
    EXPECT_EQ(KmfBytes(song, 560), Kmf(8, {1, 255, 0x01, 0x20, 0, 45, 0, 0}));
}

TEST(KmfWriter, BlockDataBeyond65535BytesIsRefusedBeforeWriting) {
    // 32767 writes in one tick: 2 * 32767 bytes, and 129 block headers.
    TImfSong song;
    song.InitRead();
    for (int i = 0; i < 32767; ++i)
        song.channels[0].push_back(MakeInstruction(0x08, 0, 0));
    std::int64_t size = 0;
    BuildKMFBlocks(song, size);
    EXPECT_EQ(size, 65792);
    TempDir dir;
    auto path = (dir / "big.kmf").string();
    EXPECT_EQ(MessageOf([&] { SaveKMF(song, path, 560); }),
              "ERROR: KMF data too large: 65792 bytes");
    EXPECT_FALSE(std::filesystem::exists(path));
    // One write fewer per block still fits: 32639 writes, 128 blocks, 65534 bytes.
    song.channels[0].resize(32639);
    EXPECT_NO_THROW(SaveKMF(song, path, 560));
    EXPECT_EQ(std::filesystem::file_size(path), 8u + 65534u);
}

TEST(KmfWriter, SizeInTheMessageIsTheSizeTheDataWouldHave) {
    // 20,000 blocks of one write and one tick, then the empty last block: 4 * 20,000 + 2 bytes,
    // of which all but 65,536 are counted by the block that stands in for the rest.
    TImfSong song;
    song.InitRead();
    for (int i = 0; i < 20'000; ++i) {
        song.ProcessCommand(0x08, 0);
        song.ProcessPause(1);
    }
    EXPECT_EQ(MessageOf([&] { KmfBytes(song, 560); }), "ERROR: KMF data too large: 80002 bytes");
    // Past the limit 600 writes in one tick still take three blocks: the last write's block
    // pauses two ticks, then 255 + 255 + 90 writes with their headers, and the empty last block:
    // 4 * 20,000 + 3 * 2 + 2 * 600 + 2.
    song.ProcessPause(1);
    for (int i = 0; i < 600; ++i)
        song.ProcessCommand(0x08, 0);
    song.ProcessPause(1);
    EXPECT_EQ(MessageOf([&] { KmfBytes(song, 560); }), "ERROR: KMF data too large: 81208 bytes");
    // And 510 writes in one tick fill two blocks exactly: 2 * 2 + 2 * 510 bytes more.
    for (int i = 0; i < 510; ++i)
        song.ProcessCommand(0x08, 0);
    song.ProcessPause(1);
    EXPECT_EQ(MessageOf([&] { KmfBytes(song, 560); }), "ERROR: KMF data too large: 82232 bytes");
}

TEST(KmfBlockChain, LongChainIsDroppedWithoutDeepRecursion) {
    auto first = std::make_unique<TKMFBlock>();
    TKMFBlock* last = first.get();
    for (int i = 0; i < 1000000; ++i) {
        last->succ = std::make_unique<TKMFBlock>();
        last = last->succ.get();
    }
    first.reset();
    SUCCEED();
}

TEST(KmfReader, BlocksFeedWritesAndPauses) {
    // The w1, w2, w3 example read back: two writes at 0, then 255 + 45 ticks, then w3.
    TImfSong song = ReadKmf(Kmf(12, {2, 255, 0x01, 0x20, 0xA0, 0x44, 0, 45, 1, 0, 0xB1, 0x31}));
    ASSERT_EQ(song.channels[2].size(), 1u);
    EXPECT_EQ(song.channels[2][0]->reg, 0xB0);
    EXPECT_EQ(song.channels[2][0]->globaltime, 300);
    EXPECT_EQ(song.channels[1][0]->globaltime, 0);
    EXPECT_EQ(song.globaltime, 300);
}

TEST(KmfReader, SizeFieldDecidesWhereReadingStops) {
    Bytes blocks = {1, 5, 0x01, 0x20, 1, 6, 0x08, 0x40};
    EXPECT_EQ(ReadKmf(Kmf(0, blocks)).InstructionCount(), 0); // nothing at all
    EXPECT_EQ(ReadKmf(Kmf(4, blocks)).globaltime, 5);         // cut at a block boundary
    EXPECT_EQ(ReadKmf(Kmf(8, blocks)).globaltime, 11);        // exact
    EXPECT_EQ(ReadKmf(Kmf(6, blocks)).globaltime, 11);        // inside a block: to the end
    EXPECT_EQ(ReadKmf(Kmf(200, blocks)).globaltime, 11);      // too large: to the end
    // A missing pair at a pair boundary ends the block; a cut pair or header raises.
    EXPECT_EQ(ReadKmf(Kmf(8, {2, 5, 0x01, 0x20})).globaltime, 5);
    EXPECT_EQ(MessageOf([&] { ReadKmf(Kmf(8, {2, 5, 0x01})); }), "Error reading from stream");
    EXPECT_EQ(MessageOf([&] {
                  ReadKmf(Kmf(8, {1, 5, 0x01, 0x20, 3}));
              }),
              "Error reading from stream");
    EXPECT_EQ(MessageOf([&] {
                  ReadKmf({0x4B, 0x4D, 0x46, 0x1A, 0x30, 0x02, 0x08});
              }),
              "Error reading from stream");
}

TEST(KmfWriter, KmfBuildingStopsOnceTheDataCannotFit) {
    TImfSong song;
    song.InitRead();
    song.ProcessCommand(0x20, 0x01);
    song.ProcessPause(10'000'000); // 39,216 pauses of at most 255 ticks
    std::int64_t size = 0;
    auto chain = BuildKMFBlocks(song, size);
    EXPECT_EQ(size, 2 + 2 + 2 * 39'216);
    std::size_t blocks = 0;
    for (const TKMFBlock* block = chain.get(); block; block = block->succ.get())
        ++blocks;
    EXPECT_LE(blocks, 65536u / 2);
    try {
        KmfBytes(song, 560);
        ADD_FAILURE() << "no error";
    } catch (const ImfError& error) {
        EXPECT_EQ(error.Message(), "ERROR: KMF data too large: 78436 bytes");
    }
}

TEST(KmfRate, TheRateOfAFileIsItsKmfRateFieldOrZero) {
    TempDir dir;
    WriteBytes(dir / "a.kmf", Kmf(0, {}));
    WriteBytes(dir / "b.imf", {0x00, 0x00, 0x00, 0x00, 0xB0, 0x31, 0x00, 0x00});
    WriteBytes(dir / "c.kmf", Bytes(kHeader560.begin(), kHeader560.end() - 1));
    EXPECT_EQ(GetKMFRate((dir / "a.kmf").string()), 560);
    EXPECT_EQ(GetKMFRate((dir / "b.imf").string()), 0);
    EXPECT_EQ(GetKMFRate((dir / "c.kmf").string()), 0);
    EXPECT_EQ(GetKMFRate((dir / "absent.kmf").string()), 0);
}

TEST(KmfWriter, ASizeFieldThatMissesTheDataIsMendedAndSaid) {
    ScriptedScreen screen;
    Bytes bytes = Kmf(0, {1, 5, 0x01, 0x20});
    Bytes same = bytes;
    MendKmfSize(same, 4);
    EXPECT_EQ(same, bytes);
    MendKmfSize(bytes, 300);
    EXPECT_EQ(bytes, Kmf(4, {1, 5, 0x01, 0x20}));
    Bytes large = Kmf(0, Bytes(300));
    MendKmfSize(large, 0);
    EXPECT_EQ(large[6], 300 % 256);
    EXPECT_EQ(large[7], 300 / 256);
    EXPECT_EQ(screen->notices, (std::vector<std::string>{"bad KMF size!\n\nsize=300 written=4",
                                                         "bad KMF size!\n\nsize=0 written=300"}));
}
