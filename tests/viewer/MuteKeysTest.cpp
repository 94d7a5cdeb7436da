// The digit keys while a song plays: each mutes and unmutes the voices of its row, drawn grey.
#include "Keys.h"
#include "NoteViewer.h"
#include "Opl2Chip.h"
#include "ScriptedSurface.h"
#include "SongFeed.h"
#include "SongRender.h"

#include <gtest/gtest.h>

namespace {
ScriptedFrame Press(int key) {
    return ScriptedFrame{-1000, -1000, {key}, {}, false};
}

// The colour of the first row's bar in a frame, as red * 65536 + green * 256 + blue; -1 without.
int FirstBarColour(const std::vector<DrawCall>& frame) {
    for (const DrawCall& c : frame)
        if (c.kind == DrawCall::Kind::Rect && c.y == 0 && c.height == 10)
            return c.red << 16 | c.green << 8 | c.blue;
    return -1;
}
} // namespace

TEST(MuteKeys, DigitsMuteTheirRowsWhileTheSongPlays) {
    ScriptedScreen scripted;
    ScriptedSurface& screen = *scripted;
    TImfSong song; // one note on channel 0 from tick 0 to tick 5600
    testsupport::StartWithToneTimbre(song);
    testsupport::FeedMore(song, {{0xA0, 0x44}, {0xB0, 0x32, 5600}, {0xB0, 0x12}});
    std::int32_t length = 0;
    TNoteRows rows = VoiceRows(song, length);
    ViewerPlayback playback(MergeChannelLists(song), 560, length);
    // "1" before playing does nothing; then it mutes row 1 (channel 0) and unmutes it again;
    // "3" mutes row 3 (channel 2).
    screen.scripts.push_back({Press('1'), Press(Key::Space), Press('1'), ScriptedFrame{},
                              Press('1'), ScriptedFrame{}, Press('3'), ScriptedFrame{}});
    ViewNoteLists(rows, length, &playback, VoiceRowVoices());

    ASSERT_GE(screen.frames.size(), 8u);
    const int white = 0xFFFFFF, grey = 0x808080;
    EXPECT_EQ(FirstBarColour(screen.frames[2]), white);
    EXPECT_EQ(FirstBarColour(screen.frames[3]), grey);
    EXPECT_EQ(FirstBarColour(screen.frames[5]), white);
    EXPECT_EQ(playback.Muted(), 1 << 2);
    // The chip-wide row holds the drums, then a row per channel; a row per voice.
    EXPECT_EQ(ChannelRowVoices(),
              (std::vector<VoiceSet>{0x1F << 9, 1, 2, 4, 8, 16, 32, 64, 128, 256}));
    const std::vector<VoiceSet> voices = VoiceRowVoices();
    ASSERT_EQ(voices.size(), 14u);
    EXPECT_EQ(voices.back(), 1 << 13);
}

TEST(ViewerPlaybackTest, TheTickHeardFollowsTheSongsOwnRate) {
    ScriptedScreen scripted;
    // Even one tick a second, the slowest rate a song can have, is the song's own.
    ViewerPlayback playback({{0, 0xA0, 0x44}, {20, 0xA0, 0x45}}, 1, 20);
    ASSERT_TRUE(playback.Start(5));
    EXPECT_EQ(playback.HeardTick(), 5); // the start tick is heard as itself
    scripted->playedSamples = 1;        // and any later sample of it as the next
    EXPECT_EQ(playback.HeardTick(), 6);
    scripted->playedSamples = Opl2Chip::kSampleRate; // one second heard
    EXPECT_EQ(playback.HeardTick(), 6);
}

TEST(ViewerPlaybackTest, StartingAgainDropsWhatWasQueued) {
    ScriptedScreen scripted;
    ViewerPlayback playback({{0, 0xA0, 0x44}, {50, 0xA0, 0x45}}, 10, 0);
    ASSERT_TRUE(playback.Start(0));
    const std::int64_t queued = scripted->queuedSamples;
    ASSERT_GT(queued, 0);
    ASSERT_TRUE(playback.Start(0));
    EXPECT_EQ(scripted->queuedSamples, queued);
}

TEST(ViewerPlaybackTest, PlayingEndsTwoSecondsAfterTheLastWrite) {
    ScriptedScreen scripted;
    // The last write at tick 5 of 10 a second: half a second in; playing ends at 2.5 s.
    ViewerPlayback playback({{0, 0xA0, 0x44}, {5, 0xA0, 0x45}}, 10, 0);
    ASSERT_TRUE(playback.Start(0));
    scripted->playedSamples = Opl2Chip::kSampleRate * 2;
    playback.Feed();
    EXPECT_TRUE(playback.Playing());
    scripted->playedSamples = Opl2Chip::kSampleRate * 5 / 2;
    playback.Feed();
    EXPECT_FALSE(playback.Playing());
}

TEST(ViewerPlaybackTest, SamplesAreMadeAQuarterSecondAheadOfThoseHeard) {
    ScriptedScreen scripted;
    const std::int64_t ahead = Opl2Chip::kSampleRate / 4;
    // The last write at tick 5 of 10 a second: playing ends 2 s after it.
    ViewerPlayback playback({{0, 0xA0, 0x44}, {5, 0xA0, 0x45}}, 10, 0);
    const std::int64_t end = SampleOfTick(5, 10) + 2 * Opl2Chip::kSampleRate;
    ASSERT_TRUE(playback.Start(0));
    EXPECT_EQ(scripted->queuedSamples, ahead);
    EXPECT_EQ(scripted->sampleRate, Opl2Chip::kSampleRate);
    scripted->playedSamples = 1000;
    playback.Feed();
    EXPECT_EQ(scripted->queuedSamples, 1000 + ahead);
    playback.Feed(); // nothing more heard: nothing more made
    EXPECT_EQ(scripted->queuedSamples, 1000 + ahead);
    scripted->playedSamples = end - 100; // never past the end
    playback.Feed();
    EXPECT_EQ(scripted->queuedSamples, end);
    // Past the end there is nothing to play.
    EXPECT_FALSE(playback.Start(30));
    EXPECT_FALSE(playback.Playing());

    // A song without writes plays its two seconds of tail; a rate of 0 plays at 560 Hz.
    ViewerPlayback empty({}, 0, 0);
    ASSERT_TRUE(empty.Start(0));
    scripted->playedSamples = 2 * Opl2Chip::kSampleRate - 1;
    empty.Feed();
    EXPECT_TRUE(empty.Playing());
    EXPECT_EQ(empty.HeardTick(), 1120);
    scripted->playedSamples = 2 * Opl2Chip::kSampleRate;
    empty.Feed();
    EXPECT_FALSE(empty.Playing());
}
