#include "NoteRows.h"
#include "SongFeed.h"

#include <gtest/gtest.h>

namespace {

TInstructionList Writes(std::initializer_list<TInstruction> writes) {
    TInstructionList list;
    for (const TInstruction& w : writes)
        list.push_back(MakeInstruction(w.reg, w.val, w.globaltime));
    return list;
}

} // namespace

TEST(InstructionsToNotes, ReplaysKeysIntoNotesWithTimbreAndExtras) {
    TInstructionList list = Writes({{0x20, 0x11, 0},
                                    {0x43, 0x3F, 0},
                                    {0xB0, 0x31, 10},   // opens note 1
                                    {0xA0, 0x57, 12},   // extra, and the running timbre
                                    {0xB0, 0x32, 14},   // second key-on: an extra too
                                    {0xB0, 0x12, 20},   // closes note 1
                                    {0xB0, 0x11, 25},   // unused
                                    {0xB0, 0x2A, 30}}); // left open
    std::int32_t maxtime = 5;
    testing::internal::CaptureStdout();
    TNoteList notes = InstructionsToNotes(list, maxtime);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "unused KeyOff\n");
    EXPECT_EQ(maxtime, 30);
    ASSERT_EQ(notes.size(), 2u);

    const TNote& first = *notes[0];
    EXPECT_EQ(first.starttime, 10);
    EXPECT_EQ(first.endtime, 20);
    EXPECT_EQ(first.startval, 0x31);
    EXPECT_EQ(first.endval, 0x12);
    TTimbre expected; // unwritten registers are 0, not undefined
    expected.r20 = 0x11;
    expected.r43 = 0x3F;
    EXPECT_EQ(first.timbre, expected);
    ASSERT_EQ(first.extras.size(), 2u);
    EXPECT_EQ(first.extras[0], list[3]); // the same objects, not copies
    EXPECT_EQ(first.extras[1], list[4]);

    const TNote& open = *notes[1];
    EXPECT_EQ(open.starttime, 30);
    EXPECT_EQ(open.endtime, 0);
    EXPECT_EQ(open.endval, 0);
    EXPECT_EQ(open.timbre.rA0, 0x57); // the write during note 1 reached the running timbre

    std::int32_t high = 1000; // never lowered
    InstructionsToNotes(list, high);
    EXPECT_EQ(high, 1000);
}

TEST(NoteRows, ChannelsVoicesAndTracks) {
    TImfSong song;
    testsupport::Feed(song, {{0xB1, 0x31, 40}, // voice 1: 0..40
                             {0xB1, 0x11, 10},
                             {0xBD, 0x21, 60}, // percussion slot 0, voice 9: 50..110
                             {0xBD, 0x20, 5},
                             {0x08, 0x00, 0}}); // chip-wide write at 115
    std::int32_t length = -1;
    TNoteRows channels = ChannelRows(song, length);
    ASSERT_EQ(channels.size(), 10u);
    EXPECT_EQ(length, 115); // the latest write of any list
    ASSERT_EQ(channels[2].size(), 1u);
    EXPECT_EQ(channels[2][0]->endtime, 40);

    TNoteRows voices = VoiceRows(song, length);
    ASSERT_EQ(voices.size(), 15u);
    EXPECT_EQ(length, 110); // the latest end time
    ASSERT_EQ(voices[1].size(), 1u);
    ASSERT_EQ(voices[9].size(), 1u);
    EXPECT_EQ(voices[1][0], song.notes[0]);
    EXPECT_EQ(voices[9][0]->starttime, 50);
    for (int v : {0, 2, 8, 10, 14})
        EXPECT_TRUE(voices[v].empty()) << v;

    TTrackList tracks;
    tracks.push_back(std::make_shared<TTrack>());
    tracks.push_back(nullptr); // skipped, takes no row
    tracks.push_back(std::make_shared<TTrack>());
    tracks[2]->instructions = Writes({{0xB0, 0x31, 7}, {0xB0, 0x11, 70}});
    TNoteRows rows = TrackRows(tracks, length);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_TRUE(rows[0].empty());
    ASSERT_EQ(rows[1].size(), 1u);
    EXPECT_EQ(length, 70);
}
