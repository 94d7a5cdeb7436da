#include "Console.h"
#include "ImfError.h"

#include <gtest/gtest.h>

namespace {
int Raises(int, char**) {
    throw ImfError("ERROR: impossible delay value: 70000");
}
int Ends(int, char**) {
    throw ImfError::Exit(0);
}
int Returns(int argc, char**) {
    return argc;
}
} // namespace

TEST(Console, RaisedErrorsEndWithTheirMessageAndStatus) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunGuarded(Raises, 0, nullptr), 255);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR: impossible delay value: 70000\n");
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunGuarded(Ends, 0, nullptr), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(RunGuarded(Returns, 3, nullptr), 3);
}

TEST(Console, WarningsAreCountedAndListedOnlyWhenShown) {
    TakeWarningCounts();
    testing::internal::CaptureStdout();
    SetWarningLinesShown(false);
    PrintWarning("stray key-offs", "key-off 1");
    PrintWarning("odd writes", "write 1");
    PrintWarning("stray key-offs", "key-off 2");
    SetWarningLinesShown(true);
    PrintWarning("stray key-offs", "key-off 3");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "key-off 3\n");
    EXPECT_EQ(TakeWarningCounts(), (std::vector<std::string>{"3 stray key-offs", "1 odd writes"}));
    EXPECT_TRUE(TakeWarningCounts().empty());
}
