// The faithful copy of a capture into its own format: every kept write at its own time, a VGM's
// tag and loop point kept, and the register memory forgotten at the loop point.
#include "FaithfulCopy.h"
#include "DroFile.h"
#include "TestSupport.h"
#include "VgmFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>
#include <vector>

using Bytes = std::vector<std::uint8_t>;
using Write = std::tuple<std::int64_t, int, int>;

namespace {
void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
std::uint32_t Get32(const Bytes& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           std::uint32_t{bytes[at + 3]} << 24;
}

// Writes at samples 0, 37, 37 and, after the loop point at 100, 100, 110 and 110; 115 in all.
Bytes LoopingVgm() {
    const Bytes data = {0x5A, 0x20, 0x21, 0x61, 37,   0x00, 0x5A, 0x40, 0x10, 0x5A, 0x40,
                        0x3F, 0x61, 63,   0x00, 0x5A, 0x20, 0x21, 0x61, 10,   0x00, 0x5A,
                        0x20, 0x21, 0x5A, 0xB0, 0x31, 0x61, 5,    0x00, 0x66};
    const std::size_t loop = 0x40 + 15;
    Bytes tag = {'G', 'd', '3', ' ', 0x00, 0x01, 0x00, 0x00, 0, 0, 0, 0};
    for (int text = 0; text < 11; ++text) {
        if (text == 0 || text == 6) // the title and the author
            tag.insert(tag.end(), {text == 0 ? std::uint8_t('T') : std::uint8_t('A'), 0});
        tag.insert(tag.end(), {0, 0});
    }
    Put32(tag, 8, static_cast<std::uint32_t>(tag.size() - 12));
    Bytes file = {'V', 'g', 'm', ' '};
    file.reserve(0x40 + data.size() + tag.size());
    file.resize(0x40);
    Put32(file, 0x08, 0x151);
    Put32(file, 0x34, 0x0C);
    file.insert(file.end(), data.begin(), data.end());
    Put32(file, 0x14, static_cast<std::uint32_t>(file.size() - 0x14));
    file.insert(file.end(), tag.begin(), tag.end());
    Put32(file, 0x04, static_cast<std::uint32_t>(file.size() - 4));
    Put32(file, 0x18, 115);
    Put32(file, 0x1C, static_cast<std::uint32_t>(loop - 0x1C));
    Put32(file, 0x20, 15);
    return file;
}

std::vector<Write> WritesOf(const Capture& capture) {
    std::vector<Write> writes;
    for (const CaptureWrite& w : capture.writes)
        writes.emplace_back(w.time, w.reg, w.val);
    return writes;
}
} // namespace

TEST(FaithfulCopy, VgmKeepsItsSamplesTagAndLoop) {
    const Bytes input = LoopingVgm();
    const SongSource source = ReadSongSource(input, "x.vgm");
    const FaithfulCopy copy = CopyFaithfully(source, 560, SongFileKind::Vgm, {});
    EXPECT_EQ(copy.counts.overwritten, 1);
    EXPECT_EQ(copy.counts.repeated, 1) << "only the second write after the loop point repeats";
    const Bytes output = VgmBytes(copy.writes, copy.output.tickRate, "", copy.output.tag);
    const Capture back = *ReadSongSource(output, "y.vgm").capture;
    EXPECT_EQ(WritesOf(back),
              (std::vector<Write>{
                  {0, 0x20, 0x21}, {37, 0x40, 0x3F}, {100, 0x20, 0x21}, {110, 0xB0, 0x31}}));
    EXPECT_EQ(back.length, 115);
    EXPECT_EQ(back.loopTime, 100);
    EXPECT_EQ(back.loopWrite, 2u);
    EXPECT_EQ(Get32(output, 0x20), 15u) << "the samples of the loop";
    EXPECT_EQ(back.tag, source.capture->tag);
    EXPECT_EQ(back.title, "T");
    EXPECT_EQ(back.author, "A");

    // Into IMF the times go to ticks; a DRO keeps milliseconds.
    EXPECT_EQ(CopyFaithfully(source, 560, SongFileKind::Imf, {}).output.tickRate, 560);
    EXPECT_EQ(CopyFaithfully(source, 560, SongFileKind::Dro, {}).output.tickRate,
              kDroUnitsPerSecond);
}

TEST(FaithfulCopy, DroKeepsItsMilliseconds) {
    // Code map 0x20, 0xB0; short delay code 2. Writes at 0, 3 and 3 ms, 7 ms in all.
    Bytes dro = {'D',  'B',  'R', 'A',  'W', 'O', 'P', 'L',  2, 0,    0, 0, 5,
                 0,    0,    0,   7,    0,   0,   0,   0,    0, 0,    2, 3, 2,
                 0x20, 0xB0, 0,   0x21, 2,   2,   0,   0x22, 1, 0x31, 2, 3};
    const SongSource source = ReadSongSource(dro, "x.dro");
    const FaithfulCopy copy = CopyFaithfully(source, 560, SongFileKind::Dro, {});
    const Capture back =
        *ReadSongSource(DroBytes(copy.writes, copy.output.tickRate), "y.dro").capture;
    EXPECT_EQ(WritesOf(back),
              (std::vector<Write>{{0, 0x20, 0x21}, {3, 0x20, 0x22}, {3, 0xB0, 0x31}}));
    EXPECT_EQ(back.length, 7);
}

TEST(FaithfulCopy, RealVgmKeepsEveryKeptWriteAtItsSample) {
    const auto path = std::filesystem::path(IMF_CORPUS_DIR) / "../captures/YsBattle.vgm";
    if (!std::filesystem::exists(path))
        GTEST_SKIP() << "no captures at " << path.parent_path();
    const SongSource source = ReadSongSource(testsupport::ReadBytes(path), path.string());
    const FaithfulCopy copy = CopyFaithfully(source, 560, SongFileKind::Vgm, {});
    const Capture back =
        *ReadSongSource(VgmBytes(copy.writes, copy.output.tickRate, "", copy.output.tag), "y.vgm")
             .capture;
    // What stays is the input less some writes: each at its own sample, in its own order.
    const std::vector<Write> input = WritesOf(*source.capture), output = WritesOf(back);
    std::size_t at = 0;
    for (const Write& write : output) {
        while (at < input.size() && input[at] != write)
            ++at;
        ASSERT_LT(at++, input.size()) << "a write moved or came from nowhere";
    }
    EXPECT_EQ(static_cast<std::int64_t>(output.size()), copy.before - copy.counts.Total());
    EXPECT_EQ(back.length, source.capture->length);
    EXPECT_EQ(back.title, source.capture->title);
    EXPECT_EQ(back.author, source.capture->author);
    EXPECT_EQ(back.tag, source.capture->tag);
}
