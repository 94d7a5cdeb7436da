// imftool as a process: batch optimisation, conversion, editing, inspection and usage errors.
#include "ImfFile.h"
#include "RunProgram.h"
#include "SongWrites.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using testsupport::ProgramRun;
using testsupport::ReadBytes;
using testsupport::RunProgram;
using testsupport::TempDir;
using testsupport::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

namespace {
// Two notes of one instrument on channels 1 and 2, one after the other (0x44 and 0x45 are the
// carrier levels of those channels). Too short for the optimizer to gain anything: it cancels.
const Bytes kTwoNotes = {0,    0,    0,  0, 0x21, 0x01, 0, 0, 0x44, 0x10, 0, 0,
                         0xA1, 0x44, 0,  0,                                     // channel 1
                         0xB1, 0x31, 10, 0, 0xB1, 0x11, 5, 0,                   // its note
                         0x22, 0x01, 0,  0, 0x45, 0x10, 0, 0, 0xA2, 0x44, 0, 0, // channel 2
                         0xB2, 0x31, 10, 0, 0xB2, 0x11, 0, 0};                  // its note
const std::string kCancelled = "optimization ADDED 6 instructions --CANCELED--\n";

ProgramRun Imftool(const std::vector<std::string>& args) {
    return RunProgram(IMFTOOL_PATH, args);
}

// Every write of a song file as (time, real register, value), in file order.
std::vector<testsupport::TimedWriteTuple> Writes(const std::string& path) {
    TImfSong song;
    LoadFile(song, path);
    return testsupport::SongWrites(song);
}
} // namespace

TEST(Imftool, UsageErrorsAndHelp) {
    ProgramRun none = Imftool({});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("usage: imftool COMMAND"), std::string::npos);
    EXPECT_EQ(Imftool({"frobnicate"}).status, 2);
    EXPECT_EQ(Imftool({"optimize"}).status, 2);
    EXPECT_EQ(Imftool({"optimize", "a.imf", "b.imf", "-o", "c.imf"}).status, 2);
    for (const char* command :
         {"optimize", "info", "dump", "convert", "tracks", "volume", "swap"}) {
        ProgramRun help = Imftool({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.out.rfind(std::string("usage: imftool ") + command, 0), 0u) << command;
    }
}

TEST(Imftool, BatchGoesOnPastAFailingFile) {
    TempDir dir;
    WriteBytes(dir / "a.imf", kTwoNotes);
    WriteBytes(dir / "b.imf", {0xA0, 0x44, 0x01, 0x00, 0xB0, 0x31}); // truncated
    WriteBytes(dir / "c.imf", kTwoNotes);
    ProgramRun run = Imftool(
        {"optimize", (dir / "a.imf").string(), (dir / "b.imf").string(), (dir / "c.imf").string()});
    EXPECT_NE(run.status, 0);
    EXPECT_EQ(run.err, kCancelled + "imftool: " + (dir / "b.imf").string() +
                           ": Error reading from stream\n" + kCancelled);
    EXPECT_NE(run.out.find("file "), std::string::npos);
    EXPECT_NE(run.out.find((dir / "b.imf").string() + " "), std::string::npos);
    EXPECT_NE(run.out.find("failed"), std::string::npos);
    // writes before and after, bytes before and after: the cancelled pass changes nothing
    EXPECT_NE(run.out.find(" 10           10           44          44\n"), std::string::npos);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path()))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"a.imf", "a_optimized.imf", "b.imf", "c.imf",
                                               "c_optimized.imf"}));
    EXPECT_EQ(ReadBytes(dir / "a_optimized.imf"), ReadBytes(dir / "c_optimized.imf"));
    EXPECT_EQ(ReadBytes(dir / "a.imf"), kTwoNotes);
}

TEST(Imftool, ConvertRoundTripKeepsEveryWrite) {
    TempDir dir;
    WriteBytes(dir / "song.imf", kTwoNotes);
    ASSERT_EQ(Imftool({"convert", (dir / "song.imf").string(), (dir / "song.kmf").string(),
                       "--rate", "700"})
                  .status,
              0);
    Bytes kmf = ReadBytes(dir / "song.kmf");
    ASSERT_GE(kmf.size(), 8u);
    EXPECT_EQ(Bytes(kmf.begin(), kmf.begin() + 6), (Bytes{0x4B, 0x4D, 0x46, 0x1A, 0xBC, 0x02}));
    ASSERT_EQ(Imftool({"convert", (dir / "song.kmf").string(), (dir / "back.imf").string(),
                       "--length-word"})
                  .status,
              0);
    EXPECT_EQ(Writes((dir / "back.imf").string()), Writes((dir / "song.imf").string()));
    Bytes back = ReadBytes(dir / "back.imf");
    EXPECT_EQ(back[0] | back[1] << 8, static_cast<int>(back.size()) - 2); // the length word
}

TEST(Imftool, VolumeAndSwapChangeExactlyTheirBytes) {
    TempDir dir;
    WriteBytes(dir / "song.imf", kTwoNotes);
    ASSERT_EQ(Imftool({"volume", (dir / "song.imf").string(), (dir / "loud.imf").string(), "-8",
                       "--channel", "2"})
                  .status,
              0);
    // Channel list 2 is chip channel 1: its carrier level 0x44 alone moves from 0x10 to 0x18.
    Bytes louder = kTwoNotes;
    louder[9] = 0x18;
    EXPECT_EQ(ReadBytes(dir / "loud.imf"), louder);
    ProgramRun swap =
        Imftool({"swap", (dir / "song.imf").string(), (dir / "swapped.imf").string(), "2", "9"});
    ASSERT_EQ(swap.status, 0);
    auto swapped = Writes((dir / "swapped.imf").string());
    auto original = Writes((dir / "song.imf").string());
    ASSERT_EQ(swapped.size(), original.size());
    for (std::size_t i = 0; i < original.size(); ++i) {
        auto [time, reg, val] = original[i];
        int channelOne = (reg == 0x21 || reg == 0x44 || reg == 0xA1 || reg == 0xB1);
        int moved = reg == 0x21 ? 0x32 : reg == 0x44 ? 0x55 : reg == 0xA1 ? 0xA8 : 0xB8;
        EXPECT_EQ(swapped[i], std::make_tuple(time, channelOne ? moved : reg, val)) << i;
    }
}

TEST(Imftool, InfoDumpAndTracks) {
    TempDir dir;
    WriteBytes(dir / "song.imf", kTwoNotes);
    ProgramRun info = Imftool({"info", (dir / "song.imf").string()});
    EXPECT_EQ(info.status, 0);
    EXPECT_NE(info.out.find("format: IMF, headerless\n"), std::string::npos);
    EXPECT_NE(info.out.find("writes: 11 (10 in the channel lists)\n"), std::string::npos);
    EXPECT_NE(info.out.find("length: 25 ticks\n"), std::string::npos);
    EXPECT_NE(info.out.find("  channel 1: 1\n  channel 2: 1\n"), std::string::npos);
    EXPECT_NE(info.out.find("rhythm mode: not used, up to 0 rhythm changes per tick\n"),
              std::string::npos);
    EXPECT_NE(info.out.find("tracks: 1\n"), std::string::npos);

    ProgramRun dump = Imftool({"dump", (dir / "song.imf").string()});
    EXPECT_NE(dump.out.find("Voice/Channel 2:\n================\n\n  reg=$20 val=$01 at 0 ticks\n"),
              std::string::npos);

    ProgramRun tracks = Imftool({"tracks", (dir / "song.imf").string(), (dir / "t").string()});
    EXPECT_EQ(tracks.status, 0);
    EXPECT_EQ(ReadBytes(dir / "t" / "track001.imf").at(4), 0x20); // alone on channel 0
    EXPECT_FALSE(std::filesystem::exists(dir / "t" / "track002.imf"));
}
