// imftool instruments, midi and render's voices as processes: files, names and messages.
#include "RunProgram.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using testsupport::RunProgram;
using testsupport::TempDir;

namespace {
// 129 notes on channel 0, each with its own modulator setting: 129 timbres.
std::vector<std::uint8_t> ManyTimbres() {
    std::vector<std::uint8_t> song(4, 0);
    for (int note = 0; note < 129; ++note)
        song.insert(song.end(), {0x20, static_cast<std::uint8_t>(note), 0, 0, 0xB0, 0x31, 1, 0,
                                 0xB0, 0x11, 1, 0});
    return song;
}
} // namespace

TEST(ExportTool, BanksStemsAndTheirMessages) {
    TempDir dir;
    std::string song = (dir / "many.imf").string();
    testsupport::WriteBytes(song, ManyTimbres());
    auto ibk = RunProgram(IMFTOOL_PATH, {"instruments", song, (dir / "many.ibk").string()});
    EXPECT_EQ(ibk.status, 255);
    EXPECT_NE(ibk.err.find("ERROR: too many timbres for an IBK bank: 129 (at most 128)"),
              std::string::npos)
        << ibk.err;
    EXPECT_FALSE(std::filesystem::exists(dir / "many.ibk"));

    std::string wopl = (dir / "many.wopl").string();
    ASSERT_EQ(RunProgram(IMFTOOL_PATH, {"instruments", song, wopl}).status, 0);
    auto info = RunProgram(IMFTOOL_PATH, {"info", wopl});
    EXPECT_NE(info.out.find("format: WOPL version 3 instrument bank"), std::string::npos);
    EXPECT_NE(info.out.find("  128 \"v0 t256\": modulator 80 00 00 00 00"), std::string::npos)
        << info.out;

    auto stems = RunProgram(IMFTOOL_PATH, {"render", song, "--stems", (dir / "st").string()});
    EXPECT_EQ(stems.status, 0) << stems.err;
    EXPECT_TRUE(std::filesystem::exists(dir / "st" / "channel0.wav"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "st"), {}), 1);
    auto wrong = RunProgram(IMFTOOL_PATH, {"render", song, "x.wav", "--solo", "0,kazoo"});
    EXPECT_EQ(wrong.status, 2);
    EXPECT_NE(wrong.err.find("--solo: no voice called \"kazoo\""), std::string::npos);
}
