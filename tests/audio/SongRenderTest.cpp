#include "SongRender.h"
#include "ImfFile.h"
#include "Opl2Chip.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {
// The records of a headerless IMF file as they stand, without the song model.
std::vector<TimedWrite> RawImfWrites(const std::filesystem::path& path, std::int32_t& length) {
    std::vector<std::uint8_t> bytes = testsupport::ReadBytes(path);
    std::vector<TimedWrite> writes;
    length = 0;
    for (std::size_t i = 0; i + 4 <= bytes.size(); i += 4) {
        writes.push_back({length, bytes[i], bytes[i + 1]});
        length += bytes[i + 2] | bytes[i + 3] << 8;
    }
    return writes;
}
} // namespace

TEST(SongRenderTest, ACorpusSongSoundsAsItsFileWasWritten) {
    IMF_REQUIRE_CORPUS();
    // A rhythm-mode song, as headerless IMF and as KMF.
    auto imf = testsupport::CorpusDir() / "go-_-go_ims.imf";
    auto kmf = testsupport::CorpusDir() / "go-_-go_ims.kmf";
    auto wlf = testsupport::CorpusDir() / "wonderin.wlf";
    if (!exists(imf) || !exists(kmf) || !exists(wlf))
        GTEST_SKIP() << "the songs of this test are not in the corpus";
    EXPECT_EQ(SongTickRate(imf.string(), 0), 560);
    EXPECT_EQ(SongTickRate(kmf.string(), 0), 560);
    EXPECT_EQ(SongTickRate(kmf.string(), 1000), 1000);
    EXPECT_EQ(SongTickRate(wlf.string(), 0), 700);

    TImfSong song;
    ASSERT_EQ(LoadFile(song, kmf.string()), SongFileLayout::Kmf);
    SampleBuffer fromSong = RenderSong(song, SongTickRate(kmf.string(), 0));
    std::int32_t length = 0;
    std::vector<TimedWrite> records = RawImfWrites(imf, length);
    EXPECT_EQ(length, song.globaltime);
    SampleBuffer fromRecords = RenderWrites(records, 560, length);

    // Interpreting, merging the channel lists back and the KMF layout change nothing heard.
    ASSERT_EQ(fromSong.size(),
              std::size_t(SampleOfTick(length, 560) + kTailSeconds * Opl2Chip::kSampleRate));
    EXPECT_TRUE(fromSong == fromRecords);
    auto [low, high] = std::minmax_element(fromSong.begin(), fromSong.end());
    EXPECT_GT(std::max(-*low, int(*high)), 1000) << "the song is heard";
}
