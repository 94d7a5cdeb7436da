// The command flow run in-process with a scripted surface: what it prints, reads and writes.
#include "CommandFlow.h"
#include "ImfError.h"
#include "ImfFile.h"
#include "OptimizeModes.h"
#include "ScriptedSurface.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

namespace {
// A short song: channel 0 plays one note after a timbre write; then 5 ticks of silence.
const Bytes kImfSong = {0, 0, 0,    0,    0x20, 0x01, 0,    0,    0xA0, 0x44,
                        0, 0, 0xB0, 0x31, 10,   0,    0xB0, 0x11, 5,    0};
// The same as KMF with its rate field 0: the writes of one tick, then the key-off and a last
// empty block after the 5 ticks of silence.
const Bytes kKmfSong = {0x4B, 0x4D, 0x46, 0x1A, 0x00, 0x00, 14, 0,    3,    10, 0x20,
                        0x01, 0xA0, 0x44, 0xB0, 0x31, 1,    5,  0xB0, 0x11, 0,  0};

class CommandFlow : public ::testing::Test {
protected:
    struct Result {
        int status = -1;
        std::string out;
        std::string error; // the message of a raised error
    };

    // Runs the flow with the arguments after the program's name.
    Result Run(std::vector<std::string> args) {
        args.insert(args.begin(), "imfproc");
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        Result result;
        testing::internal::CaptureStdout();
        try {
            result.status = ImfprocMain(static_cast<int>(args.size()), argv.data());
        } catch (const ImfError& error) {
            result.status = error.Status();
            result.error = error.Message();
        }
        result.out = testing::internal::GetCapturedStdout();
        return result;
    }

    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(dir.path()))
            names.push_back(std::filesystem::relative(entry.path(), dir.path()).string());
        std::sort(names.begin(), names.end());
        return names;
    }

    TempDir dir;
    ScriptedScreen surface;
};

// The one-note song gains the twelve timbre writes in the optimizer, which cancels.
const char* const kReport = "song has 1 unique timbres\n"
                            "song has 1 tacks\n"
                            "tracks have 14 instructions\n"
                            "old: 4 new: 14\n"
                            "optimization removed 0 instructions\n";
} // namespace

TEST(OptimizedPath, ExtensionIsTheLastDotAfterTheLastSlash) {
    EXPECT_EQ(OptimizedPath("music/song.imf", false), "music/song_optimized.imf");
    EXPECT_EQ(OptimizedPath("tune", false), "tune_optimized.imf");
    EXPECT_EQ(OptimizedPath("old.dir/tune", false), "old.dir/tune_optimized.imf");
    EXPECT_EQ(OptimizedPath("a\\b\\c.kmf", true), "a/b/c_optimized.kmf");
    EXPECT_EQ(OptimizedPath("x.y.wlf", false), "x.y_optimized.imf");
    EXPECT_EQ(OptimizedPath("dir/.hidden", false), "dir/_optimized.imf");
}

TEST_F(CommandFlow, ImfSongIsReportedAndSavedBesideTheInput) {
    WriteBytes(dir / "song.imf", kImfSong);
    Result run = Run({(dir / "song.imf").string(), "ignored-second-argument"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(run.out, kReport);
    EXPECT_EQ(surface->title, "Quillfen's IMF Processor (Alpha Version 0.001)");
    EXPECT_EQ(surface->notices,
              std::vector<std::string>{"optimization ADDED 10 instructions\n--CANCELED--"});
    // The notes, the channel lists, the tracks and the channel lists again.
    EXPECT_EQ(surface->windowsOpened, 4);
    EXPECT_EQ(surface->windowsClosed, 4);
    EXPECT_EQ(Files(), (std::vector<std::string>{"song.imf", "song_optimized.imf"}));
    EXPECT_EQ(ReadBytes(dir / "song_optimized.imf"), kImfSong);
}

TEST_F(CommandFlow, RepeatedTimbreWritesFallAwayAndChannel0IsLeftFree) {
    // One note played three times on channel 0, each time after all its timbre writes again.
    Bytes song = {0, 0, 0, 0};
    for (int i = 0; i < 3; ++i) {
        for (int reg : {0x20, 0x23, 0x40, 0x43, 0x60, 0x63, 0x80, 0x83, 0xE0, 0xE3, 0xC0})
            song.insert(song.end(), {static_cast<std::uint8_t>(reg), 0x11, 0, 0});
        song.insert(song.end(), {0xA0, 0x44, 0, 0, 0xB0, 0x31, 10, 0, 0xB0, 0x11, 5, 0});
    }
    WriteBytes(dir / "song.imf", song);
    Result run = Run({(dir / "song.imf").string()});
    EXPECT_EQ(run.status, 0);
    // Written once, in the canonical order, on channel 1.
    Bytes expected = {0, 0, 0, 0};
    for (int reg : {0x21, 0x24, 0x41, 0x44, 0x61, 0x64, 0x81, 0x84, 0xC1, 0xE1, 0xE4})
        expected.insert(expected.end(), {static_cast<std::uint8_t>(reg), 0x11, 0, 0});
    expected.insert(expected.end(), {0xA1, 0x44, 0, 0});
    for (int i = 0; i < 3; ++i)
        expected.insert(expected.end(), {0xB1, 0x31, 10, 0, 0xB1, 0x11, 5, 0});
    EXPECT_EQ(ReadBytes(dir / "song_optimized.imf"), expected);
}

TEST_F(CommandFlow, KmfContentIsSavedAsKmfWithRate560ForRate0) {
    WriteBytes(dir / "x.imf", kKmfSong);
    Result run = Run({(dir / "x.imf").string()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kReport);
    EXPECT_EQ(Files(), (std::vector<std::string>{"x.imf", "x_optimized.kmf"}));
    Bytes expected = kKmfSong;
    expected[4] = 0x30; // 560
    expected[5] = 0x02;
    EXPECT_EQ(ReadBytes(dir / "x_optimized.kmf"), expected);
}

TEST_F(CommandFlow, FileChosenInTheDialog) {
    WriteBytes(dir / "picked.imf", kImfSong);
    surface->fileAnswers.push_back((dir / "picked.imf").string());
    Result run = Run({""});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, kReport);
    EXPECT_TRUE(surface->fileAnswers.empty());
    EXPECT_TRUE(std::filesystem::exists(dir / "picked_optimized.imf"));
}

TEST_F(CommandFlow, CancelledDialogEndsSilentlyWithStatus0) {
    Result run = Run({});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.error, "");
    EXPECT_EQ(surface->title, "Quillfen's IMF Processor (Alpha Version 0.001)");
    EXPECT_TRUE(Files().empty());
}
