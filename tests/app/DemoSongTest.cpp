// The demo song in the repository is exactly what its generator composes.
#include "ImfFile.h"
#include "RunProgram.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>

using testsupport::ReadBytes;
using testsupport::RunProgram;
using testsupport::TempDir;

TEST(DemoSong, GeneratorReproducesTheShippedFile) {
    TempDir dir;
    std::string made = (dir / "demo.imf").string();
    ASSERT_EQ(RunProgram(MAKE_DEMO_PATH, {made}).status, 0);
    std::filesystem::path shipped = std::filesystem::path(IMF_SOURCE_DIR) / "demo" / "demo.imf";
    EXPECT_EQ(ReadBytes(made), ReadBytes(shipped));
}

TEST(DemoSong, HasSeveralInstrumentsOverlappingNotesAndATail) {
    TImfSong song;
    testing::internal::CaptureStdout();
    EXPECT_EQ(LoadFile(song, std::string(IMF_SOURCE_DIR) + "/demo/demo.imf"),
              SongFileLayout::ImfHeaderless);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), ""); // every key-off ends a note
    EXPECT_EQ(song.CountUniqueTimbres(), 4);
    int overlaps = 0;
    for (std::size_t i = 1; i < song.notes.size(); ++i) {
        for (std::size_t j = 0; j < i; ++j) {
            if (song.notes[j]->endtime > song.notes[i]->starttime &&
                song.notes[j]->timbre.Diff(song.notes[i]->timbre, 0) == 0)
                ++overlaps;
        }
    }
    EXPECT_GT(overlaps, 0); // one instrument sounding on two channels at once
    std::int32_t lastKeyOff = 0;
    for (const NoteRef& note : song.notes)
        lastKeyOff = std::max(lastKeyOff, note->endtime);
    EXPECT_GT(song.globaltime, lastKeyOff);
    // Writes that only repeat what a channel's register already holds.
    int repeats = 0;
    for (const TInstructionList& list : song.channels) {
        std::map<int, int> current;
        for (const InstructionRef& write : list) {
            auto [at, added] = current.try_emplace(write->reg, write->val);
            if (!added && at->second == write->val)
                ++repeats;
            at->second = write->val;
        }
    }
    EXPECT_GT(repeats, 100);
}
