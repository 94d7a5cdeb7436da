// The smallest mode writes the faithful result, and says why, where the re-allocation fails.
#include "OptimizeModes.h"
#include "RunProgram.h"
#include "SongFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

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
