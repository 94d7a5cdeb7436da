// Reading whole files: what is not a file is refused.
#include "FileBytes.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

TEST(FileBytes, ABlockDeviceIsRefusedLikeAFolder) {
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
