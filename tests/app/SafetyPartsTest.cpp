// The parts behind the programs' safety: any exception reported, bounded KMF building, whole
// carriers scaled, the dialog program started without a fork.
#include "FileBytes.h"
#include "ImfError.h"
#include "ImfFile.h"
#include "KmfFile.h"
#include "SongFormats.h"
#include "TestSupport.h"
#include "ToolCommands.h"
#include "WriteOrder.h"
#ifdef IMF_HAVE_SDL
#include "FileDialog.h"
#endif

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <new>
#include <pthread.h>
#include <unistd.h>

TEST(SafetyParts, EveryExceptionEndsWithAnErrorLineAndStatus255) {
    testing::internal::CaptureStderr();
    int status = RunGuarded([](int, char**) -> int { throw std::bad_alloc(); }, 0, nullptr);
    EXPECT_EQ(status, 255);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR: std::bad_alloc\n");
}

TEST(SafetyParts, ABlockDeviceIsRefusedLikeAFolder) {
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator("/dev", ignored)) {
        const std::string path = entry.path().string();
        if (!entry.is_block_file(ignored) || ::access(path.c_str(), R_OK) != 0)
            continue;
        EXPECT_EQ(testsupport::MessageOf([&] { ReadFileBytes(path); }),
                  "ERROR: cannot read file: " + path);
        return;
    }
    GTEST_SKIP() << "no readable block device in /dev";
}

TEST(SafetyParts, KmfBuildingStopsOnceTheDataCannotFit) {
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

TEST(SafetyParts, VolumeMovesEveryCarrierTheChipSounds) {
    testsupport::TempDir dir;
    testsupport::WriteBytes(
        dir / "in.imf",
        {0,    0,    0, 0, 0xC0, 0x01, 0, 0, 0x40, 0x10, 0, 0, 0x43, 0x10, 0, 0, // additive
         0xC1, 0x00, 0, 0, 0x41, 0x10, 0, 0, 0x44, 0x10, 0, 0,                   // FM
         0xBD, 0x20, 0, 0, 0x53, 0x10, 0, 0, 0x51, 0x10, 0, 0, 0x50, 0x10, 0, 0, // drums
         0xB0, 0x31, 0, 0, 0xB1, 0x31, 0, 0, 0xBD, 0x31, 5, 0, 0xBD, 0x20, 0, 0});
    std::string in = (dir / "in.imf").string(), out = (dir / "out.imf").string();
    std::vector<char*> argv = {nullptr, nullptr, in.data(), out.data(), const_cast<char*>("4")};
    ASSERT_EQ(ToolVolume(5, argv.data(), 2), 0);
    TImfSong song;
    LoadFile(song, out);
    std::map<int, int> levels;
    for (const TimedWrite& write : MergeChannelLists(song))
        levels[write.reg] = write.val;
    // Carriers: both operators of channel 0, the second of channel 1, bass drum, hi-hat.
    EXPECT_EQ(levels, (std::map<int, int>{{0x40, 0x0C},
                                          {0x43, 0x0C},
                                          {0x41, 0x10},
                                          {0x44, 0x0C},
                                          {0x50, 0x10},
                                          {0x51, 0x0C},
                                          {0x53, 0x0C},
                                          {0xB0, 0x31},
                                          {0xB1, 0x31},
                                          {0xBD, 0x20},
                                          {0xC0, 0x01},
                                          {0xC1, 0x00}}));
}

#ifdef IMF_HAVE_SDL
// A fork from a threaded program copies locks that other threads hold, and a pipe made then is
// inherited by every child started meanwhile: the dialog program is spawned, with nothing of
// this program running between fork and exec (fork handlers included).
std::atomic<int> forks{0};

TEST(SafetyParts, TheDialogProgramIsSpawnedWithoutAFork) {
    static bool registered = ::pthread_atfork([] { ++forks; }, nullptr, nullptr) == 0;
    ASSERT_TRUE(registered);
    int status = -1;
    EXPECT_EQ(ProgramOutput({"sh", "-c", "echo picked"}, &status), "picked\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(forks.load(), 0);
}
#endif
