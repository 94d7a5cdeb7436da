// The imfproc program as a process, for runs that end before any window opens.
#include "RunProgram.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using testsupport::ProgramRun;
using testsupport::RunProgram;
using testsupport::TempDir;
using testsupport::WriteBytes;

TEST(ImfprocProgram, NoInputEndsSilentlyWithStatus0) {
    TempDir dir;
    std::vector<std::vector<std::string>> runs = {
        {},   // no argument, and the dialog gives no answer
        {""}, // an empty argument counts as none
    };
    for (const auto& args : runs) {
        ProgramRun run = RunProgram(IMFPROC_PATH, args);
        SCOPED_TRACE(args.empty() ? "(no argument)" : args[0]);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "");
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 0);
}

TEST(ImfprocProgram, TruncatedFileEndsWithTheReadErrorAndStatus255) {
    TempDir dir;
    // One whole record, then half of the next.
    WriteBytes(dir / "cut.imf", {0xA0, 0x44, 0x01, 0x00, 0xB0, 0x31});
    ProgramRun run = RunProgram(IMFPROC_PATH, {(dir / "cut.imf").string()});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.err, "Error reading from stream");
    EXPECT_EQ(run.out, "");
    EXPECT_FALSE(std::filesystem::exists(dir / "cut_optimized.imf"));
}
