// Crafted worst cases of size and shape through the whole headless pipeline: load from bytes,
// the optimize pass as the main flow runs it, save, reload. Each checks what comes out; how long
// they take is measured by bench/ScaleBench.cpp.
#include "ImfError.h"
#include "ImfFile.h"
#include "KmfFile.h"
#include "Optimize.h"
#include "SplitTracks.h"
#include "StraightWalks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

namespace {
using NoteSpan = std::tuple<int, int, std::uint8_t>; // start, end, key-on value

std::vector<NoteSpan> MelodicNotes(const TImfSong& song) {
    std::vector<NoteSpan> notes;
    for (const NoteRef& note : song.notes) {
        if (note->oldvoice < 9)
            notes.emplace_back(note->starttime, note->endtime, note->startval);
    }
    std::sort(notes.begin(), notes.end());
    return notes;
}

TImfSong Load(const std::vector<std::uint8_t>& bytes) {
    TImfSong song;
    LoadFromBytes(song, bytes);
    return song;
}

// The main flow's optimize pass without its report lines; the number of writes removed.
int OptimizeQuietly(TImfSong& song, std::uint8_t force = 0) {
    testing::internal::CaptureStdout();
    int removed = Optimize(song, 1, -1, 1, force);
    testing::internal::GetCapturedStdout();
    return removed;
}

std::vector<std::uint8_t> Kmf(const std::vector<std::uint8_t>& blocks, std::uint16_t size) {
    const std::uint8_t header[8] = {'K',
                                    'M',
                                    'F',
                                    0x1A,
                                    0x30,
                                    0x02,
                                    static_cast<std::uint8_t>(size),
                                    static_cast<std::uint8_t>(size >> 8)};
    std::vector<std::uint8_t> bytes(sizeof header + blocks.size());
    std::copy(std::begin(header), std::end(header), bytes.begin());
    std::copy(blocks.begin(), blocks.end(), bytes.begin() + sizeof header);
    return bytes;
}
} // namespace

TEST(WorstCases, EveryNoteOfItsOwnTimbreMakesOneTrackPerNoteAndEveryNoteSurvives) {
    const int kNotes = 20000;
    TImfSong song = Load(ImfBytes(worstcase::OneTrackPerNote(kNotes), 0));
    testing::internal::CaptureStdout();
    TTrackList tracks = SplitIntoTracks(song, 1);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(tracks.size(), static_cast<std::size_t>(kNotes));
    for (const TrackRef& track : tracks)
        ASSERT_EQ(track->instructions.size(), 14u); // timbre writes, key-on, key-off

    std::vector<NoteSpan> before = MelodicNotes(song);
    ASSERT_EQ(before.size(), static_cast<std::size_t>(kNotes));
    OptimizeQuietly(song, 1);
    EXPECT_EQ(MelodicNotes(Load(ImfBytes(song, 0))), before);
}

TEST(WorstCases, TwoHundredThousandNotesKeepTheirTimesThroughThePipeline) {
    // Four instruments over nine channels, a note every tick, eight sounding at once.
    TImfSong source;
    source.InitRead();
    const int kNotes = 200000;
    for (int n = 0; n < kNotes; ++n) {
        const int c = n % 9;
        if (n >= 8)
            source.ProcessCommand(static_cast<std::uint8_t>(0xB0 + (n - 8) % 9), 0x11);
        source.ProcessCommand(static_cast<std::uint8_t>(0x40 + worstcase::kOperator[c]),
                              static_cast<std::uint8_t>(0x10 * ((n / 9 + c) % 4)));
        source.ProcessCommand(static_cast<std::uint8_t>(0xB0 + c), 0x31);
        source.ProcessPause(1);
    }
    for (int n = kNotes - 8; n < kNotes; ++n)
        source.ProcessCommand(static_cast<std::uint8_t>(0xB0 + n % 9), 0x11);
    TImfSong& song = source; // interpreted as a reader would feed it
    std::vector<NoteSpan> before = MelodicNotes(song);
    ASSERT_EQ(before.size(), static_cast<std::size_t>(kNotes));
    const std::int64_t writesBefore = song.InstructionCount();
    EXPECT_GT(OptimizeQuietly(song), 0);
    EXPECT_LT(song.InstructionCount(), writesBefore);
    EXPECT_EQ(MelodicNotes(Load(ImfBytes(song, 0))), before);
}

TEST(WorstCases, KeyOnsWithoutKeyOffsMakeNineEndlessNotesThatAllFindAChannel) {
    TImfSong source;
    source.InitRead();
    for (int round = 0; round < 5000; ++round) {
        for (int c = 0; c < 9; ++c)
            source.ProcessCommand(static_cast<std::uint8_t>(0xB0 + c),
                                  static_cast<std::uint8_t>(0x20 | (round & 0x1F)));
        source.ProcessPause(1);
    }
    TImfSong song = Load(ImfBytes(source, 0));
    ASSERT_EQ(song.notes.size(), 9u);
    testing::internal::CaptureStdout();
    Optimize(song, 1, -1, 1, 1);
    std::string printed = testing::internal::GetCapturedStdout();
    // Eight notes on channels 1..8, the ninth on the reserved channel 0.
    EXPECT_NE(printed.find("no regular channel available, using reserved channel"),
              std::string::npos);
    TImfSong reloaded = Load(ImfBytes(song, 0));
    ASSERT_EQ(reloaded.notes.size(), 9u);
    for (const NoteRef& note : reloaded.notes) {
        EXPECT_EQ(note->endtime, 0);
        EXPECT_EQ(note->extras.size(), 4999u); // every later key-on stays in the note
    }
}

TEST(WorstCases, SixtyFiveThousandWritesInOneTickStayInTheirNote) {
    // A key-on, then 65,535 volume writes in one tick, then the key-off a tick later.
    TImfSong source;
    source.InitRead();
    source.ProcessCommand(0xB0, 0x31);
    source.ProcessPause(1);
    for (int i = 0; i < 65535; ++i)
        source.ProcessCommand(0x43, static_cast<std::uint8_t>(i & 0x3F));
    source.ProcessPause(1);
    source.ProcessCommand(0xB0, 0x11);
    TImfSong song = Load(ImfBytes(source, 0));

    testing::internal::CaptureStdout();
    TTrackList tracks = SplitIntoTracks(song, 1);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0]->instructions.size(), 12u + 1 + 65535 + 1);

    // The same tick with the key-off at its end: the key-off comes first, the writes after it
    // fall to the channel's state.
    source.ProcessCommand(0xB0, 0x31);
    source.ProcessPause(1);
    for (int i = 0; i < 65535; ++i)
        source.ProcessCommand(0x43, static_cast<std::uint8_t>(i & 0x3F));
    source.ProcessCommand(0xB0, 0x11);
    song = Load(ImfBytes(source, 0));
    testing::internal::CaptureStdout();
    tracks = SplitIntoTracks(song, 1);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0]->instructions.size(), 2 * (12u + 1) + 65535 + 1 + 1);
    EXPECT_EQ(tracks[0]->instructions.back()->IsKeyOff(), 1);
    EXPECT_EQ(tracks[0]->globaltime, 3);

    // Through the pass and back: every write of the tick is still there.
    OptimizeQuietly(song, 1);
    TImfSong reloaded = Load(ImfBytes(song, 0));
    EXPECT_EQ(reloaded.InstructionCount(), song.InstructionCount());
    EXPECT_EQ(MelodicNotes(reloaded), MelodicNotes(Load(ImfBytes(source, 0))));
    // As KMF the song has more block data than the size field holds.
    EXPECT_THROW(KmfBytes(song, 0), ImfError);
}

TEST(WorstCases, KmfSizeFieldThatLies) {
    // Three blocks: (2 writes, pause 3), (1 write, pause 0), (0 writes, pause 7).
    const std::vector<std::uint8_t> blocks = {2, 3, 0x20, 1, 0xB0, 0x31, 1, 0, 0xB0, 0x11, 0, 7};
    auto writes = [](const std::vector<std::uint8_t>& bytes) {
        TImfSong song = Load(bytes);
        return std::make_pair(song.InstructionCount(), song.globaltime);
    };
    // Too large, odd, or ending inside a block: read to the end of the data.
    EXPECT_EQ(writes(Kmf(blocks, 0xFFFF)), std::make_pair(std::int64_t{3}, 10));
    EXPECT_EQ(writes(Kmf(blocks, 7)), std::make_pair(std::int64_t{3}, 10));
    EXPECT_EQ(writes(Kmf(blocks, 8)), std::make_pair(std::int64_t{3}, 10));
    // Too small on a block boundary: the song is cut there.
    EXPECT_EQ(writes(Kmf(blocks, 6)), std::make_pair(std::int64_t{2}, 3));
    EXPECT_EQ(writes(Kmf(blocks, 0)), std::make_pair(std::int64_t{0}, 0));
    // Too large, and the data ends inside a pair.
    std::vector<std::uint8_t> cut = Kmf(blocks, 0xFFFF);
    cut.push_back(1);
    cut.push_back(0);
    cut.push_back(0xB0);
    try {
        Load(cut);
        FAIL() << "a pair cut short must raise";
    } catch (const ImfError& error) {
        EXPECT_EQ(error.Message(), "Error reading from stream");
    }

    // A large file whose size field claims 65535 bytes: 100,000 blocks are read, and the song
    // is too large to be written as KMF again.
    std::vector<std::uint8_t> many;
    for (int i = 0; i < 100000; ++i) {
        many.insert(many.end(), {1, 1, 0x40, static_cast<std::uint8_t>(i & 0x3F)});
    }
    TImfSong song = Load(Kmf(many, 0xFFFF));
    EXPECT_EQ(song.InstructionCount(), 100000);
    EXPECT_EQ(song.globaltime, 100000);
    try {
        KmfBytes(song, 0);
        FAIL() << "block data above 65535 bytes must raise";
    } catch (const ImfError& error) {
        EXPECT_EQ(error.Message().rfind("ERROR: KMF data too large: ", 0), 0u);
    }
}
