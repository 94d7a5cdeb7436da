#include "FormatsTestSupport.h"
#include "ImfFile.h"
#include "KmfFile.h"
#include "SongFeed.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using testsupport::DecodeImf;
using testsupport::DecodeKmf;
using testsupport::Feed;
using testsupport::ListContents;
using testsupport::MessageOf;
using testsupport::RawSong;
using testsupport::RawWrite;
using testsupport::ReadBytes;
using testsupport::SameRegistersAtEveryTick;
using Bytes = std::vector<std::uint8_t>;

namespace {
enum class Format { ImfHeaderless, ImfLengthWord, Kmf };
const Format kFormats[] = {Format::ImfHeaderless, Format::ImfLengthWord, Format::Kmf};
const char* Name(Format format) {
    return format == Format::Kmf ? "KMF" : format == Format::ImfLengthWord ? "IMF+length" : "IMF";
}

Bytes Save(const TImfSong& song, Format format) {
    return format == Format::Kmf ? KmfBytes(song, 560)
                                 : ImfBytes(song, format == Format::ImfLengthWord ? 1 : 0);
}

RawSong Decode(const Bytes& bytes, Format format) {
    if (format == Format::Kmf)
        return DecodeKmf(bytes);
    return DecodeImf(bytes, format == Format::ImfLengthWord && bytes.size() >= 2 &&
                                (bytes[0] | bytes[1]) != 0);
}

// The channel lists, where the IMF writer may move the first write's own time to 0.
std::vector<std::array<std::int32_t, 4>> Contents(const TImfSong& song, bool firstTimeToZero) {
    auto contents = ListContents(song);
    if (firstTimeToZero && !contents.empty()) {
        auto first = std::min_element(contents.begin(), contents.end(),
                                      [](const auto& a, const auto& b) { return a[3] < b[3]; });
        (*first)[3] = 0;
    }
    std::sort(contents.begin(), contents.end(), [](const auto& a, const auto& b) {
        return a[0] != b[0] ? a[0] < b[0] : a[3] < b[3];
    });
    return contents;
}

// A melodic song: timbre, notes on three channels, a pause over 255, a trailing release.
TImfSong MelodicSong() {
    TImfSong song;
    Feed(song, {{0x01, 0x20},
                {0x20, 0x21},
                {0x43, 0x10},
                {0xA0, 0x44},
                {0xB0, 0x31, 12},
                {0xA1, 0x98},
                {0xB1, 0x2A, 300},
                {0xB0, 0x11},
                {0xC2, 0x0E},
                {0xB2, 0x35, 1000},
                {0xB1, 0x0A},
                {0xB2, 0x15, 400}});
    return song;
}
} // namespace

TEST(RoundTrip, MelodicSongComesBackWithTheSameListsAndLength) {
    TImfSong song = MelodicSong();
    for (Format format : kFormats) {
        Bytes bytes = Save(song, format);
        TImfSong back;
        SongFileLayout layout = LoadFromBytes(back, bytes);
        EXPECT_EQ(static_cast<int>(layout), static_cast<int>(format)) << Name(format);
        EXPECT_EQ(Contents(back, false), Contents(song, false)) << Name(format);
        EXPECT_EQ(back.globaltime, song.globaltime) << Name(format);
        EXPECT_EQ(ImfBytes(back, 0), ImfBytes(song, 0)) << Name(format);
    }
}

TEST(RoundTrip, LastDelayOfTheInputIsWrittenBack) {
    // The last record of the input waits 300 ticks.
    Bytes input = {0, 0, 0, 0, 0xA0, 0x44, 5, 0, 0xB0, 0x31, 0x2C, 0x01};
    TImfSong song;
    LoadFromBytes(song, input);
    EXPECT_EQ(ImfBytes(song, 0), input);
    EXPECT_EQ(ImfBytes(song, 1), (Bytes{8, 0, 0xA0, 0x44, 5, 0, 0xB0, 0x31, 0x2C, 0x01}));
    EXPECT_EQ(KmfBytes(song, 560), (Bytes{0x4B, 0x4D, 0x46, 0x1A, 0x30, 0x02, 12, 0,  1, 5,
                                          0xA0, 0x44, 1,    255,  0xB0, 0x31, 0,  45, 0, 0}));
}

TEST(RoundTrip, RhythmSongKeepsItsRegistersAtTheEndOfEveryTick) {
    // Channel 7 is set up, then rhythm mode takes it over within the same tick and rewrites it.
    Bytes input = {0,    0,    0,    0,    0xA0, 0x55, 0, 0, 0xA7, 0x10, 0, 0,
                   0x57, 0x05, 0,    0,    0xBD, 0x20, 0, 0, 0xA7, 0x20, 0, 0,
                   0x57, 0x0A, 0x10, 0x00, 0xBD, 0x24, 6, 0, 0xBD, 0x00, 9, 0};
    TImfSong song;
    LoadFromBytes(song, input);
    RawSong expected = DecodeImf(input, false);
    for (Format format : kFormats) {
        RawSong saved = Decode(Save(song, format), format);
        EXPECT_TRUE(SameRegistersAtEveryTick(expected.writes, saved.writes, 0)) << Name(format);
        EXPECT_EQ(saved.length, expected.length) << Name(format);
    }
}

class CorpusRoundTrip : public ::testing::Test {
protected:
    void SetUp() override { IMF_REQUIRE_CORPUS(); }
};

TEST_F(CorpusRoundTrip, EverySongLoadsInItsLayoutAndRoundTrips) {
    for (const auto& path : testsupport::CorpusSongs()) {
        SCOPED_TRACE(path.filename().string());
        std::string name = path.filename().string();
        Bytes input = ReadBytes(path);
        TImfSong song;
        SongFileLayout layout = LoadFile(song, path.string());
        bool kmf = path.extension() == ".kmf";
        bool lengthWord = name.ends_with(".len.imf");
        EXPECT_EQ(layout, kmf          ? SongFileLayout::Kmf
                          : lengthWord ? SongFileLayout::ImfLengthWord
                                       : SongFileLayout::ImfHeaderless);
        RawSong original = kmf ? DecodeKmf(input) : DecodeImf(input, lengthWord);
        EXPECT_EQ(song.globaltime, original.length);
        bool rhythm =
            song.CheckRhythm() != 0 ||
            std::any_of(original.writes.begin(), original.writes.end(),
                        [](const RawWrite& w) { return w.reg == 0xBD && (w.val & 0x20); });

        for (Format format : kFormats) {
            SCOPED_TRACE(Name(format));
            Bytes bytes;
            if (format == Format::Kmf) {
                std::int64_t size = 0;
                BuildKMFBlocks(song, size);
                if (size > 65535) {
                    EXPECT_EQ(MessageOf([&] { KmfBytes(song, 560); }),
                              "ERROR: KMF data too large: " + std::to_string(size) + " bytes");
                    continue;
                }
            }
            bytes = Save(song, format);
            RawSong saved = Decode(bytes, format);
            EXPECT_EQ(saved.length, original.length); // the song keeps its length
            // From the first write on, the chip's registers agree at the end of every tick.
            std::int64_t from = original.writes.empty() ? 0 : original.writes.front().tick;
            EXPECT_TRUE(SameRegistersAtEveryTick(original.writes, saved.writes, from));

            TImfSong back;
            LoadFromBytes(back, bytes);
            EXPECT_EQ(back.globaltime, song.globaltime);
            if (!rhythm) {
                EXPECT_EQ(Contents(back, false), Contents(song, format != Format::Kmf));
            }
        }
    }
}
