#include "ImfSong.h"
#include "SongFeed.h"

#include <gtest/gtest.h>

using testsupport::Feed;

TEST(SongUtilities, CountUniqueTimbres) {
    TImfSong empty;
    empty.InitRead();
    EXPECT_EQ(empty.CountUniqueTimbres(), 0);

    // Same instrument on channels 0 and 1, differing only in carrier level and frequency.
    TImfSong shared;
    Feed(shared, {{0x20, 0x01}, {0x43, 0x10}, {0xA0, 0x50}, {0xB0, 0x31, 5}, {0xB0, 0x11},
                  {0x21, 0x01}, {0x44, 0x1F}, {0xA1, 0x60}, {0xB1, 0x31, 5}, {0xB1, 0x11}});
    EXPECT_EQ(shared.CountUniqueTimbres(), 1);

    // Key-off at the key-on tick, and a note that is still sounding at the end: never compared.
    TImfSong uncompared;
    Feed(uncompared, {{0x20, 0x01}, {0xB0, 0x31}, {0xB0, 0x11, 5}, {0xB1, 0x31, 5}});
    EXPECT_EQ(uncompared.CountUniqueTimbres(), 0);

    // A change of r20 in the middle of a note adds a second timbre.
    TImfSong changing;
    Feed(changing, {{0x20, 0x01}, {0xB0, 0x31, 5}, {0x20, 0x02, 5}, {0xB0, 0x11}});
    EXPECT_EQ(changing.CountUniqueTimbres(), 2);
}

TEST(SongUtilities, SwapChannels) {
    TImfSong song;
    Feed(song, {{0xA0, 1}, {0xA8, 2}});
    auto* first = &song.channels[1];
    auto zero = song.channels[1][0];
    auto eight = song.channels[9][0];
    song.SwapChannels(0, 1);
    song.SwapChannels(1, 10);
    EXPECT_EQ(song.channels[1][0], zero);
    song.SwapChannels(1, 9);
    EXPECT_EQ(song.channels[1][0], eight);
    EXPECT_EQ(song.channels[9][0], zero);
    EXPECT_EQ(first, &song.channels[1]);
}

TEST(SongUtilities, VolumeChangesClampAndAreSeenThroughEveryReference) {
    TImfSong song;
    Feed(song, {{0xB3, 0x31}, {0x4B, 0x45}, {0x43, 0x05}, {0x40, 0x05}});
    const TNote& note = *song.notes[0];
    song.ChangeVolume(10);
    EXPECT_EQ(song.channels[4][1]->val, 0x40);
    EXPECT_EQ(note.extras[0]->val, 0x40); // the note's extra is the same object
    EXPECT_EQ(song.channels[1][0]->val, 0x00);
    EXPECT_EQ(song.channels[1][1]->val, 0x05); // 0x40 is the modulator: untouched
    song.ChangeVolume(-100);
    EXPECT_EQ(song.channels[4][1]->val, 0x7F);
    song.ChangeVolume(0);
    EXPECT_EQ(song.channels[4][1]->val, 0x7F);
    song.ChangeChannelVolume(0, 5);
    song.ChangeChannelVolume(10, 5);
    EXPECT_EQ(song.channels[4][1]->val, 0x7F);
    song.ChangeChannelVolume(4, 3);
    EXPECT_EQ(song.channels[4][1]->val, 0x7C);
    EXPECT_EQ(song.channels[1][0]->val, 0x3F);
    song.ChangeVolume(-2147483647 - 1);
    EXPECT_EQ(song.channels[4][1]->val, 0x7F);
}
