// Whole programs around their inputs: nothing written over a song, every failure reported,
// streams read like files.
#include "RunProgram.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

using testsupport::ProgramRun;
using testsupport::ReadBytes;
using testsupport::RunProgram;
using testsupport::TempDir;
using testsupport::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

namespace {
// One note on channel 0, headerless.
const Bytes kSong = {0,    0,    0, 0, 0x20, 0x01, 0, 0, 0x43, 0x10, 0, 0,
                     0xA0, 0x44, 0, 0, 0xB0, 0x31, 9, 0, 0xB0, 0x11, 0, 0};

ProgramRun Imftool(const std::vector<std::string>& args) {
    return RunProgram(IMFTOOL_PATH, args);
}

// A shell command line, with the imftool program as $0.
ProgramRun Shell(const std::string& command) {
    return RunProgram("/bin/sh", {"-c", command, IMFTOOL_PATH});
}

ino_t Inode(const std::filesystem::path& path) {
    struct stat info {};
    ::stat(path.c_str(), &info);
    return info.st_ino;
}
} // namespace

TEST(Safety, RenderNeverWritesOverItsInputAndReplacesWavFilesWhole) {
    TempDir dir;
    const std::string song = (dir / "a.imf").string();
    WriteBytes(song, kSong);
    std::filesystem::create_hard_link(song, dir / "link.wav");
    for (const std::string& output : {song, (dir / "link.wav").string()}) {
        ProgramRun run = Imftool({"render", song, output});
        EXPECT_EQ(run.status, 255);
        EXPECT_EQ(run.err, "ERROR: output would replace the input: " + song);
    }
    EXPECT_EQ(ReadBytes(song), kSong);
    // The tracks of a song never land on it either; editing a song in place stays allowed.
    EXPECT_EQ(Imftool({"tracks", (dir / "a.imf").string(), dir.path().string()}).status, 0);
    EXPECT_EQ(Imftool({"tracks", (dir / "track001.imf").string(), dir.path().string()}).err,
              "ERROR: output would replace the input: " + (dir / "track001.imf").string());
    EXPECT_EQ(Imftool({"volume", song, song, "2"}).status, 0);

    // An existing WAV is replaced by a new file, never cut short in place.
    WriteBytes(dir / "out.wav", {1, 2, 3});
    ino_t before = Inode(dir / "out.wav");
    EXPECT_EQ(Imftool({"render", song, (dir / "out.wav").string()}).status, 0);
    EXPECT_NE(Inode(dir / "out.wav"), before);
}

TEST(Safety, ImfprocReportsAFileThatCannotBeRead) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder.imf");
    for (const std::string& path :
         {(dir / "missing.imf").string(), (dir / "folder.imf").string()}) {
        ProgramRun run = RunProgram(IMFPROC_PATH, {path});
        EXPECT_EQ(run.status, 255);
        EXPECT_EQ(run.err, "ERROR: cannot read file: " + path);
        EXPECT_EQ(run.out, "");
    }
}

TEST(Safety, SongsAreReadFromPipesAndWrittenToStandardOutput) {
    TempDir dir;
    const std::string song = (dir / "a.imf").string();
    WriteBytes(song, kSong);
    ASSERT_EQ(Imftool({"optimize", song, "-o", (dir / "file.imf").string()}).status, 0);
    ProgramRun piped =
        Shell("cat '" + song + "' | \"$0\" optimize /dev/stdin -o - > '" + song + ".out'");
    EXPECT_EQ(piped.status, 0);
    EXPECT_EQ(piped.out, "");
    EXPECT_EQ(ReadBytes(song + ".out"), ReadBytes(dir / "file.imf"));
    ProgramRun dash = Shell("\"$0\" convert - - < '" + song + "'");
    EXPECT_EQ(dash.status, 0);
    EXPECT_EQ(dash.out.size(), kSong.size());

    ProgramRun endless = Imftool({"info", "/dev/zero"});
    EXPECT_EQ(endless.status, 255);
    EXPECT_EQ(endless.err, "ERROR: file too large: /dev/zero");
    EXPECT_EQ(Imftool({"dump", dir.path().string()}).err,
              "ERROR: cannot read file: " + dir.path().string());
}

TEST(Safety, BatchOutputsThatCollideAreRefusedBeforeAnythingIsWritten) {
    TempDir dir;
    const std::string imf = (dir / "a.imf").string(), wlf = (dir / "a.wlf").string();
    WriteBytes(imf, kSong);
    WriteBytes(wlf, kSong);
    ProgramRun run = Imftool({"optimize", imf, wlf});
    EXPECT_EQ(run.status, 255);
    EXPECT_EQ(run.err, "ERROR: " + imf + " and " + wlf + " would both be saved as " +
                           (dir / "a_optimized.imf").string());
    EXPECT_FALSE(std::filesystem::exists(dir / "a_optimized.imf"));

    // One input's output is another input.
    WriteBytes(dir / "a_optimized.imf", kSong);
    run = Imftool({"optimize", imf, (dir / "a_optimized.imf").string()});
    EXPECT_EQ(run.err,
              "ERROR: output would replace the input: " + (dir / "a_optimized.imf").string());
    EXPECT_EQ(ReadBytes(dir / "a_optimized.imf"), kSong);
}

TEST(Safety, LookAheadDepthIsCapped) {
    ProgramRun run = Imftool({"optimize", "x.imf", "--depth", "3"});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("--depth must be between -1 and 2"), std::string::npos);
    EXPECT_NE(Imftool({"optimize", "--help"}).out.find("at most 2"), std::string::npos);
}

TEST(Safety, InfoNamesTheDrumsAsTheChipSoundsThem) {
    TempDir dir;
    // Rhythm mode, then the bass drum (bit 4) and the hi-hat (bit 0) keyed.
    WriteBytes(dir / "drums.imf",
               {0, 0, 0, 0, 0xBD, 0x20, 0, 0, 0xBD, 0x31, 5, 0, 0xBD, 0x20, 0, 0});
    ProgramRun run = Imftool({"info", (dir / "drums.imf").string()});
    EXPECT_NE(run.out.find("  bass drum: 1\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("  hi-hat: 1\n"), std::string::npos) << run.out;
}
