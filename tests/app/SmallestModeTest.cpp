// The smallest mode: the faithful result where the re-allocation fails, and on every corpus song
// a written result that the critical-band comparison finds sounding as the input.
#include "Opl2Chip.h"
#include "OptimizeModes.h"
#include "RunProgram.h"
#include "SongFile.h"
#include "SongRender.h"
#include "SongWrites.h"
#include "SoundCompare.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <tuple>

using testsupport::TempDir;

namespace {
// Nine notes, then rhythm mode takes channels 6..8 while three of them still sound there, and a
// new note finds every other channel busy: the re-allocation raises "no channel available".
std::vector<std::uint8_t> NoChannelLeft() {
    std::vector<std::uint8_t> song = {0, 0, 0, 0};
    for (int c = 0; c < 8; ++c)
        song.insert(song.end(), {std::uint8_t(0xB0 + c), 0x31, 0, 0});
    song.insert(song.end(),
                {0xB8, 0x31, 1, 0, 0xBD, 0x20, 1, 0, 0xB5, 0x11, 0, 0, 0xB5, 0x31, 1, 0});
    for (int c = 0; c < 6; ++c)
        song.insert(song.end(), {std::uint8_t(0xB0 + c), 0x11, 0, 0});
    return song;
}
} // namespace

TEST(SmallestMode, AFailedReallocationWritesTheFaithfulResultAndSaysWhy) {
    TempDir dir;
    testsupport::WriteBytes(dir / "busy.imf", NoChannelLeft());
    std::string out = (dir / "out.imf").string();
    testsupport::ProgramRun run = testsupport::RunProgram(
        IMFTOOL_PATH, {"optimize", "--mode", "smallest", (dir / "busy.imf").string(), "-o", out});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("writes; the re-allocation failed: ERROR: no channel available)\n"),
              std::string::npos)
        << run.out;
    EXPECT_EQ(run.out.find("mode that won: faithful ("),
              run.out.rfind('\n', run.out.size() - 2) + 1);
    EXPECT_EQ(LoadSong(out).song.InstructionCount(),
              LoadSong((dir / "busy.imf").string()).song.InstructionCount()); // no repeats
}

// Every corpus song: what the mode writes, read back, sounds as the input by the critical bands.
TEST(SmallestMode, EveryCorpusSongWrittenSoundsAsTheInput) {
    IMF_REQUIRE_CORPUS();
    TempDir dir;
    int reallocated = 0, songs = 0;
    std::vector<std::tuple<int, std::vector<testsupport::TimedWriteTuple>>> seen;
    for (const std::filesystem::path& path : testsupport::CorpusSongs()) {
        SCOPED_TRACE(path.filename().string());
        LoadedSong input = LoadSong(path.string());
        int rate = ChooseTickRate(0, input.format.rate, path.string());
        // The corpus holds some songs twice (with a length word, as KMF): each is checked once.
        std::tuple<int, std::vector<testsupport::TimedWriteTuple>> writes{
            rate, testsupport::SongWrites(input.song)};
        if (std::find(seen.begin(), seen.end(), writes) != seen.end())
            continue;
        seen.push_back(std::move(writes));
        SampleBuffer heard = RenderSong(input.song, rate);
        TImfSong song = input.song;
        testing::internal::CaptureStdout();
        ModeResult result = OptimizeWithMode(song, OptimizeMode::Smallest, {}, rate, &heard);
        testing::internal::GetCapturedStdout();
        ++songs;
        if (result.won != OptimizeMode::Smallest)
            continue; // the faithful copy, sample-identical (FaithfulCopySoundsExactlyAsTheInput)
        ++reallocated;
        std::string saved = (dir / ("kept" + path.extension().string())).string();
        SaveSong(song, saved, input.format);
        SoundComparison c =
            CompareSounds(heard, RenderSong(LoadSong(saved).song, rate), Opl2Chip::kSampleRate);
        EXPECT_TRUE(c.SoundsTheSame()) << c.windowsOff << " windows off";
    }
    std::printf("%d different songs, %d keep the re-allocation\n", songs, reallocated);
}
