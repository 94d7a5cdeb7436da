// The whole optimize pass on real songs: nothing raised, the saved file holds exactly the new
// writes, keeps the input's length, and sounds the same note for note as the input.
#include "ChannelStates.h"
#include "ImfError.h"
#include "ImfFile.h"
#include "KmfFile.h"
#include "Optimize.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>

using namespace testsupport;

namespace {
// Writes held by a file this system saved: headerless IMF records other than the all-zero ones
// (the first record and the padding of long gaps), or the pairs of all KMF blocks.
std::int64_t WritesInFile(const std::vector<std::uint8_t>& bytes, bool kmf) {
    std::int64_t writes = 0;
    if (kmf) {
        for (std::size_t at = 8; at + 2 <= bytes.size(); at += 2 + 2 * bytes[at])
            writes += bytes[at];
        return writes;
    }
    for (std::size_t at = 0; at + 4 <= bytes.size(); at += 4)
        writes += bytes[at] != 0 ? 1 : 0;
    return writes;
}

// Songs whose output is known to differ at a few ticks, with the number of such ticks.
// bmf1_2_xad: at tick 0 the song writes 0xFF to every register, switching rhythm mode on and off
// again; the mode switch copies channels 6 to 8, keyed on, into the chip-wide list, and there
// they key channels 6 to 8 on in the output while their notes play elsewhere, for that tick.
const std::map<std::string, std::size_t> kKnownTransients = {{"bmf1_2_xad.imf", 1}};
} // namespace

TEST(CorpusOptimize, EverySongSoundsTheSameAfterOptimizing) {
    IMF_REQUIRE_CORPUS();
    TempDir dir;
    for (const auto& path : CorpusSongs()) {
        SCOPED_TRACE(path.filename().string());
        // The interpreter's and the optimizer's report lines are not looked at here.
        testing::internal::CaptureStdout();
        TImfSong song;
        LoadFile(song, path.string());
        const std::vector<ChipWrite> input = WritesInInputOrder(song);
        const std::int64_t oldCount = song.InstructionCount();
        const std::int32_t length = song.globaltime;
        int removed = 0;
        try {
            removed = Optimize(song, 1, -1, 1, 1);
        } catch (const ImfError& error) {
            ADD_FAILURE() << "raised: " << error.Message();
        }
        testing::internal::GetCapturedStdout();
        const std::int64_t newCount = song.InstructionCount();
        EXPECT_EQ(removed, oldCount - newCount);

        const std::uint16_t rate = GetKMFRate(path.string());
        const auto saved = dir / ("out" + std::string(rate > 0 ? ".kmf" : ".imf"));
        if (rate > 0)
            SaveKMF(song, saved.string(), rate);
        else
            SaveImf(song, saved.string(), 0);
        EXPECT_EQ(WritesInFile(ReadBytes(saved), rate > 0), newCount);

        TImfSong reread;
        testing::internal::CaptureStdout();
        LoadFile(reread, saved.string());
        testing::internal::GetCapturedStdout();
        // The saved song keeps the input's length to the tick: its delays add up to the same.
        EXPECT_EQ(reread.globaltime, length);
        // The IMF writer moves the first write to tick 0: compare from the input's first write.
        const std::int32_t from = input.empty() ? 0 : input.front().time;
        auto known = kKnownTransients.find(path.filename().string());
        const std::size_t allowed = known == kKnownTransients.end() ? 0 : known->second;
        std::vector<std::string> differences =
            SoundDifferences(input, WritesInInputOrder(reread), from, allowed + 3);
        EXPECT_EQ(differences.size(), allowed) << (differences.empty() ? "" : differences.back());
    }
}
