// imftool's sound: render and compare as processes, and the optimisation modes that keep the
// sound, checked on every corpus song against the input's render.
#include "Opl2Chip.h"
#include "RunProgram.h"
#include "SongFeed.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using testsupport::ProgramRun;
using testsupport::ReadBytes;
using testsupport::RunProgram;
using testsupport::TempDir;
using testsupport::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

namespace {
// One note on channel 0: a timbre, key-on at tick 0, key-off at tick 280, the song ending at
// tick 560; the timbre and the frequency are written twice, as many players do.
Bytes OneNote(std::uint8_t fnumLow) {
    Bytes song = {0, 0, 0, 0};
    for (int pass = 0; pass < 2; ++pass) {
        for (auto [reg, val] : testsupport::kToneTimbre)
            song.insert(song.end(), {reg, val, 0, 0});
        song.insert(song.end(), {0xA0, fnumLow, 0, 0});
    }
    song.insert(song.end(), {0xB0, 0x32, 0x18, 0x01}); // key on, 280 ticks
    song.insert(song.end(), {0xB0, 0x12, 0x18, 0x01}); // key off, 280 ticks
    return song;
}

ProgramRun Imftool(const std::vector<std::string>& args) {
    return RunProgram(IMFTOOL_PATH, args);
}

} // namespace

TEST(SoundTool, RenderWritesTheWholeSongAsWav) {
    TempDir dir;
    WriteBytes(dir / "note.imf", OneNote(0x44));
    ProgramRun run = Imftool({"render", (dir / "note.imf").string(), (dir / "note.wav").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    Bytes wav = ReadBytes(dir / "note.wav");
    // 560 ticks at 560 per second: one second, and two seconds of tail.
    const std::uint32_t samples = 3 * Opl2Chip::kSampleRate;
    ASSERT_EQ(wav.size(), 44 + 2 * samples);

    // At 1120 ticks per second the song lasts half a second.
    ASSERT_EQ(Imftool({"render", (dir / "note.imf").string(), (dir / "fast.wav").string(), "--rate",
                       "1120"})
                  .status,
              0);
    EXPECT_EQ(ReadBytes(dir / "fast.wav").size(),
              44 + 2 * (Opl2Chip::kSampleRate / 2 + 2 * Opl2Chip::kSampleRate));
}

TEST(SoundTool, CompareTellsTheSameSoundFromAnother) {
    TempDir dir;
    std::string song = (dir / "note.imf").string();
    WriteBytes(song, OneNote(0x44));
    WriteBytes(dir / "other.imf", OneNote(0x80));
    ProgramRun faithful = Imftool({"optimize", "--mode", "faithful", song});
    ASSERT_EQ(faithful.status, 0) << faithful.err;
    EXPECT_EQ(faithful.out, "dropped 9 writes that no sample can hear\n");
    std::string copy = (dir / "note_optimized.imf").string();
    EXPECT_EQ(ReadBytes(copy).size(), ReadBytes(song).size() - 9 * 4);

    for (const std::string& b : {song, copy}) {
        ProgramRun same = Imftool({"compare", song, b});
        EXPECT_EQ(same.status, 0) << b;
        EXPECT_EQ(same.out.rfind("windows off: 0 of ", 0), 0u) << same.out;
        EXPECT_NE(same.out.find("\nworst band difference: 0.0 dB\n"), std::string::npos);
        EXPECT_NE(same.out.find("\nsounds the same\n"), std::string::npos);
    }
    ProgramRun different = Imftool({"compare", song, (dir / "other.imf").string()});
    EXPECT_EQ(different.status, 1);
    EXPECT_EQ(different.out.find("windows off: 0 "), std::string::npos);
    EXPECT_NE(different.out.find("\nsounds different\n"), std::string::npos);

    ProgramRun missing = Imftool({"compare", song, (dir / "none.imf").string()});
    EXPECT_EQ(missing.status, 255);
    EXPECT_EQ(Imftool({"compare", song}).status, 2);
    EXPECT_EQ(Imftool({"optimize", song, "--mode", "loudest"}).status, 2);
    for (const char* command : {"render", "compare"}) {
        ProgramRun help = Imftool({command, "--help"});
        EXPECT_EQ(help.status, 0);
        EXPECT_EQ(help.out.rfind(std::string("usage: imftool ") + command, 0), 0u);
    }
}

TEST(SoundTool, SmallestBatchNamesTheModeThatWon) {
    TempDir dir;
    WriteBytes(dir / "a.imf", OneNote(0x44));
    WriteBytes(dir / "b.imf", OneNote(0x80));
    ProgramRun run = Imftool(
        {"optimize", "--mode", "smallest", (dir / "a.imf").string(), (dir / "b.imf").string()});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("bytes after  mode that won\n"), std::string::npos);
    // One note gains nothing from a re-allocation: the faithful copy wins.
    EXPECT_NE(run.out.find(" 48  faithful\n"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("mode that won: faithful"), std::string::npos);
}
