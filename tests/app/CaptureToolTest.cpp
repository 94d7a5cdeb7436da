// imftool on captures and across formats: write-for-write conversion, the rate rule, the
// refusal of a second chip, and optimising a capture into another format.
#include "RunProgram.h"
#include "SongSource.h"
#include "TestSupport.h"
#include "VgmFile.h"

#include <gtest/gtest.h>

using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

namespace {
// Rhythm mode switched on and off around writes to channels 6 to 8: reading it into the song
// model re-emits writes at each switch, which a conversion must not copy.
const Bytes kRhythmSong = {0,    0,    0, 0, 0x36, 0x21, 0, 0, 0xA7, 0x40, 0, 0, 0xBD, 0x20, 2, 0,
                           0xB7, 0x31, 3, 0, 0xBD, 0x00, 1, 0, 0x58, 0x10, 0, 0, 0xB8, 0x12, 9, 0};

testsupport::ProgramRun Imftool(const std::vector<std::string>& args) {
    return testsupport::RunProgram(IMFTOOL_PATH, args);
}

std::vector<std::tuple<int, int, int>> WritesOf(const Bytes& bytes, int rate, int& length) {
    TickedWrites song = ReadSongSource(bytes, "x").Writes(rate);
    std::vector<std::tuple<int, int, int>> writes;
    for (const TimedWrite& w : song.writes)
        writes.emplace_back(w.time, w.reg, w.val);
    length = song.length;
    return writes;
}
} // namespace

TEST(CaptureTool, ConversionCopiesEveryWriteAndKeepsTheRate) {
    TempDir dir;
    WriteBytes(dir / "song.wlf", kRhythmSong);
    int length = 0, backLength = 0;
    auto writes = WritesOf(kRhythmSong, 700, length);
    for (const char* out : {"song.kmf", "song.vgm", "song.vgz", "song.dro", "back.wlf"}) {
        auto run = Imftool({"convert", (dir / "song.wlf").string(), (dir / out).string()});
        ASSERT_EQ(run.status, 0) << out << run.err;
        EXPECT_EQ(run.err, "") << out;
        EXPECT_EQ(WritesOf(ReadBytes(dir / out), 700, backLength), writes) << out;
        EXPECT_EQ(backLength, length) << out;
    }
    EXPECT_EQ(ReadBytes(dir / "song.kmf")[4], 700 & 0xFF); // the .wlf rate in the KMF field
    // IMF has no rate field: a 700 Hz song written as .imf plays at 560, and the user is told.
    auto run = Imftool({"convert", (dir / "song.kmf").string(), (dir / "song.imf").string()});
    EXPECT_EQ(run.err, "imftool: " + (dir / "song.imf").string() +
                           " has no rate field and plays at 560 ticks per second; the song has "
                           "700\n");
}

TEST(CaptureTool, CapturesAreDescribedOptimisedOrRefused) {
    TempDir dir;
    std::string vgm = (dir / "song.vgm").string();
    ASSERT_EQ(Imftool({"convert", (dir / "x.imf").string(), vgm}).status, 255); // no such file
    WriteBytes(dir / "song.imf", kRhythmSong);
    ASSERT_EQ(Imftool({"convert", (dir / "song.imf").string(), vgm, "--title", "Drums"}).status, 0);
    auto info = Imftool({"info", vgm});
    EXPECT_NE(info.out.find("format: VGM\ntitle: Drums\nrate: 560 ticks per second\n"),
              std::string::npos)
        << info.out;
    auto optimized = Imftool({"optimize", vgm, "-o", (dir / "out.dro").string()});
    ASSERT_EQ(optimized.status, 0) << optimized.err;
    EXPECT_EQ(ReadSongSource(ReadBytes(dir / "out.dro"), "x").FormatText(), "DRO version 2");

    TickedWrites twoChips;
    twoChips.writes = {{0, 0xB0, 0x31}};
    Bytes bytes = VgmBytes(twoChips, 560, "");
    bytes[0x80] = 0xAA; // the write goes to a second YM3812
    WriteBytes(dir / "two.vgm", bytes);
    auto refused = Imftool({"convert", (dir / "two.vgm").string(), (dir / "two.imf").string()});
    EXPECT_EQ(refused.status, 255);
    EXPECT_EQ(refused.err, "ERROR: song uses a second chip or OPL3 registers; IMF holds one OPL2");
    EXPECT_FALSE(std::filesystem::exists(dir / "two.imf"));
}
