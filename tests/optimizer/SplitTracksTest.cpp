#include "SplitTracks.h"
#include "SongFeed.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using testsupport::Feed;

namespace {
struct Write {
    int reg, val, time;
    bool operator==(const Write&) const = default;
};

std::vector<Write> WritesOf(const TTrack& track) {
    std::vector<Write> writes;
    for (const InstructionRef& i : track.instructions)
        writes.push_back({i->reg, i->val, i->globaltime});
    return writes;
}

// The value of `reg` among the twelve timbre writes in front of the note that starts at `first`.
int TimbreWrite(const TTrack& track, std::size_t first, int reg) {
    for (std::size_t i = first; i < first + 12; ++i) {
        if (track.instructions[i]->reg == reg)
            return track.instructions[i]->val;
    }
    return -1;
}

TTrackList SplitQuietly(const TImfSong& song, int grouping, std::string* output = nullptr) {
    testing::internal::CaptureStdout();
    TTrackList tracks = SplitIntoTracks(song, grouping);
    std::string printed = testing::internal::GetCapturedStdout();
    if (output != nullptr)
        *output = printed;
    return tracks;
}
} // namespace

TEST(SplitIntoTracks, TwoNotesOfOneTimbreMakeOneTrackAndTheSongStaysAsItWas) {
    TImfSong song;
    Feed(song, {{0x20, 0x01},
                {0x40, 0x02},
                {0xA0, 0x44},
                {0xB0, 0x31, 10},
                {0xB0, 0x11, 10},
                {0xB0, 0x31, 10},
                {0xB0, 0x11}});
    auto before = song.channels;
    std::string printed;
    TTrackList tracks = SplitQuietly(song, 1, &printed);
    EXPECT_EQ(printed, "");
    ASSERT_EQ(tracks.size(), 1u);
    const TTrack& track = *tracks[0];
    ASSERT_EQ(track.instructions.size(), 28u);
    std::vector<Write> expected;
    for (int start : {0, 20}) {
        for (const TTimbre::Field& field : TTimbre::kFields)
            expected.push_back({field.reg,
                                field.reg == 0x20   ? 1
                                : field.reg == 0x40 ? 2
                                : field.reg == 0xA0 ? 0x44
                                                    : 0,
                                start});
        expected.push_back({0xB0, 0x31, start});
        expected.push_back({0xB0, 0x11, start + 10});
    }
    EXPECT_EQ(WritesOf(track), expected);
    EXPECT_EQ(track.globaltime, 30);
    EXPECT_EQ(song.channels, before); // the same objects in the same lists
}

TEST(SplitIntoTracks, CarrierLevelOnlyInItsTopBitsSeparatesTimbres) {
    TImfSong song;
    Feed(song, {{0x43, 0x01},
                {0xB0, 0x31, 10},
                {0xB0, 0x11, 5},
                {0x43, 0x05},
                {0xA0, 0x77, 5},
                {0xB0, 0x31, 10},
                {0xB0, 0x11, 5},
                {0x43, 0x45},
                {0xB0, 0x31, 10},
                {0xB0, 0x11}});
    TTrackList tracks = SplitQuietly(song, 1);
    ASSERT_EQ(tracks.size(), 2u);
    ASSERT_EQ(tracks[0]->instructions.size(), 28u);
    EXPECT_EQ(TimbreWrite(*tracks[0], 0, 0x43), 0x01);
    EXPECT_EQ(TimbreWrite(*tracks[0], 14, 0x43), 0x05); // the note's own value
    EXPECT_EQ(TimbreWrite(*tracks[0], 14, 0xA0), 0x77);
    EXPECT_EQ(TimbreWrite(*tracks[1], 0, 0x43), 0x45);
}

TEST(SplitIntoTracks, OverlappingNotesOfOneTimbreNeedTwoTracks) {
    TImfSong song;
    Feed(song, {{0xB0, 0x31, 5}, {0xB1, 0x31, 5}, {0xB0, 0x11, 5}, {0xB1, 0x11}});
    TTrackList tracks = SplitQuietly(song, 1);
    ASSERT_EQ(tracks.size(), 2u);
    EXPECT_EQ(tracks[0]->instructions[12]->globaltime, 0);
    EXPECT_EQ(tracks[1]->instructions[12]->globaltime, 5);

    TImfSong silent;
    Feed(silent, {{0x20, 1, 4}, {0xA3, 2}, {0x01, 0x20}});
    EXPECT_TRUE(SplitQuietly(silent, 1).empty());
}

TEST(SplitIntoTracks, SameTickKeyOnAndKeyOffInEitherOrder) {
    TImfSong keyOnFirst;
    Feed(keyOnFirst, {{0xB0, 0x31}, {0xB0, 0x11}});
    TTrackList tracks = SplitQuietly(keyOnFirst, 1);
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0]->GetNoteLength(), 0);
    EXPECT_EQ(tracks[0]->instructions.size(), 14u);

    TImfSong keyOffFirst;
    testing::internal::CaptureStdout(); // the interpreter reports the key-off as well
    Feed(keyOffFirst, {{0xB2, 0x11}, {0xB2, 0x31, 4}, {0x22, 9, 4}, {0xB2, 0x11}});
    testing::internal::GetCapturedStdout();
    std::string printed;
    tracks = SplitQuietly(keyOffFirst, 1, &printed);
    EXPECT_EQ(printed, "Warning: unused KeyOff instruction on channel 2 at sample 0\n");
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ((WritesOf(*tracks[0])[12]), (Write{0xB0, 0x31, 0}));
    EXPECT_EQ(tracks[0]->GetNoteLength(), 8);
    EXPECT_EQ(tracks[0]->instructions.size(), 15u); // the 0x22 write sounds inside the note

    // Taken one at a time, the key-off outside a note goes silently.
    tracks = SplitQuietly(keyOffFirst, 0, &printed);
    EXPECT_EQ(printed, "");
    ASSERT_EQ(tracks.size(), 1u);
    EXPECT_EQ(tracks[0]->GetNoteLength(), 8);
}

TEST(SplitIntoTracks, ConcurrentKeyOnsLeaveTheLastToStartTheNote) {
    TImfSong song;
    Feed(song, {{0xB4, 0x31}, {0x29, 0x07}, {0xB4, 0x32, 6}, {0xB4, 0x12}});
    std::string printed;
    TTrackList tracks = SplitQuietly(song, 1, &printed);
    EXPECT_EQ(printed, "Warning: 2 concurrent KeyOn instructions on channel 4 at sample 0\n");
    ASSERT_EQ(tracks.size(), 1u);
    ASSERT_EQ(tracks[0]->instructions.size(), 14u);
    EXPECT_EQ(TimbreWrite(*tracks[0], 0, 0x20), 0x07); // the write between them joins the timbre
    EXPECT_EQ((WritesOf(*tracks[0])[12]), (Write{0xB0, 0x32, 0}));
}

TEST(SplitIntoTracks, KeyOffIsTakenBeforeTheOtherWritesOfItsTick) {
    TImfSong song;
    Feed(song, {{0xB0, 0x31, 10}, {0x40, 0x3F}, {0xB0, 0x11, 10}, {0xB0, 0x31, 5}, {0xB0, 0x11}});
    TTrackList grouped = SplitQuietly(song, 1);
    ASSERT_EQ(grouped.size(), 2u); // the level write changed the timbre of the second note
    ASSERT_EQ(grouped[0]->instructions.size(), 14u);
    EXPECT_EQ((WritesOf(*grouped[0])[13]), (Write{0xB0, 0x11, 10}));
    EXPECT_EQ(TimbreWrite(*grouped[1], 0, 0x40),
              0x3F); // applied after the note, sent with the next

    TTrackList single = SplitQuietly(song, 0);
    ASSERT_EQ(single.size(), 1u);
    ASSERT_EQ(single[0]->instructions.size(), 29u);
    EXPECT_EQ((WritesOf(*single[0])[13]), (Write{0x40, 0x3F, 10}));
    EXPECT_EQ((WritesOf(*single[0])[14]), (Write{0xB0, 0x11, 10}));
}

TEST(SplitIntoTracks, KeyOnInsideANoteStaysInIt) {
    // A re-key with the key bit set, a pitch write and the key-off, all at one tick.
    TImfSong song;
    Feed(song, {{0xB0, 0x2D, 10},
                {0xB0, 0x2E},
                {0xA0, 0xA2},
                {0xB0, 0x0E, 10},
                {0xB0, 0x2D, 4},
                {0xB0, 0x0D}});
    TTrackList tracks = SplitQuietly(song, 1);
    ASSERT_EQ(tracks.size(), 1u);
    std::vector<Write> writes = WritesOf(*tracks[0]);
    ASSERT_EQ(writes.size(), 29u);
    EXPECT_EQ(writes[13], (Write{0xB0, 0x2E, 10}));
    EXPECT_EQ(writes[14], (Write{0xB0, 0x0E, 10})); // the note ends keyed off
    EXPECT_EQ(TimbreWrite(*tracks[0], 15, 0xA0), 0xA2);
    EXPECT_EQ(writes[27], (Write{0xB0, 0x2D, 20}));
    EXPECT_EQ(writes[28], (Write{0xB0, 0x0D, 24}));
}

TEST(SplitIntoTracks, ANoteSoundingToTheEndClosesItsTrack) {
    // Channel 0's note never ends; channel 1 later plays the same timbre.
    TImfSong song;
    Feed(song, {{0xB0, 0x31, 5}, {0xA0, 0x40, 5}, {0xB1, 0x31, 10}, {0xB1, 0x11}});
    TTrackList tracks = SplitQuietly(song, 1);
    ASSERT_EQ(tracks.size(), 2u);
    ASSERT_EQ(tracks[0]->instructions.size(), 14u);
    EXPECT_EQ(tracks[0]->instructions.back()->reg, 0xA0);
    EXPECT_EQ(tracks[1]->instructions.size(), 14u);
}
