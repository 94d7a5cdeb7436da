#include "Console.h"
#include "ImfError.h"

#include <gtest/gtest.h>

TEST(Console, HexDigits) {
    EXPECT_EQ(HexDigits(0x1F, 2), "1F");
    EXPECT_EQ(HexDigits(0x1F, 1), "F");
    EXPECT_EQ(HexDigits(0xAB, 4), "00AB");
    EXPECT_EQ(HexDigits(5, 0), "");
    EXPECT_EQ(HexDigits(-1, 18), "00FFFFFFFFFFFFFFFF"); // logical shift: zeros come in
    EXPECT_EQ(HexDigits(0x123456789ABCDEF0, 255).size(), 255u);
}

TEST(Console, PrintLineWritesTheTextAndALineFeed) {
    testing::internal::CaptureStdout();
    PrintLine("");
    PrintLine("song has 12 unique timbres");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nsong has 12 unique timbres\n");
}

namespace {
int Raises(int, char**) { throw ImfError("ERROR: impossible delay value: 70000"); }
int Ends(int, char**) { throw ImfError::Exit(0); }
int Returns(int argc, char**) { return argc; }
} // namespace

TEST(Console, RaisedErrorsEndWithTheirMessageAndStatus) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunGuarded(Raises, 0, nullptr), 255);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "ERROR: impossible delay value: 70000");
    testing::internal::CaptureStderr();
    EXPECT_EQ(RunGuarded(Ends, 0, nullptr), 0);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_EQ(RunGuarded(Returns, 3, nullptr), 3);
}
