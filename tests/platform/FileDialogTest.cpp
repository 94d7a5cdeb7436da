// The file dialog's program, started from a threaded program.
#include "FileDialog.h"

#include <gtest/gtest.h>

#include <atomic>
#include <pthread.h>

// A fork from a threaded program copies locks that other threads hold, and a pipe made then is
// inherited by every child started meanwhile: the dialog program is spawned, with nothing of
// this program running between fork and exec (fork handlers included).
std::atomic<int> forks{0};

TEST(FileDialog, TheDialogProgramIsSpawnedWithoutAFork) {
    static bool registered = ::pthread_atfork([] { ++forks; }, nullptr, nullptr) == 0;
    ASSERT_TRUE(registered);
    int status = -1;
    EXPECT_EQ(ProgramOutput({"sh", "-c", "echo picked"}, &status), "picked\n");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(forks.load(), 0);
}
