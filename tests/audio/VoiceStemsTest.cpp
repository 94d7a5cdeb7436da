// Voices rendered alone: stems that add up to the whole song, muting that leaves the other
// voices as they were, and muting from the middle of a stream.
#include "ImfFile.h"
#include "SongFormats.h"
#include "SongRender.h"
#include "SongStream.h"
#include "SongVoices.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {
constexpr int kRate = 560;

TImfSong Demo() {
    TImfSong song;
    LoadFile(song, std::string(IMF_SOURCE_DIR) + "/demo/demo.imf");
    return song;
}

VoiceSet Solo(int voice) {
    return static_cast<VoiceSet>(kAllVoices & ~(1u << voice));
}

// The demo's first bar (every voice plays in it) with the given voices muted.
SampleBuffer FirstBar(const TImfSong& song, VoiceSet muted) {
    std::vector<TimedWrite> writes = MergeChannelLists(song);
    std::erase_if(writes, [](const TimedWrite& write) { return write.time >= 1120; });
    return RenderWrites(writes, kRate, 1120, muted);
}
} // namespace

// Every operator of the chip adds a little to each sample even when no key is on (the render
// with every voice muted, between -4 and 0 here), so each stem carries that floor once: with
// it taken out of the stems they add up to the whole render exactly, and their plain sum is off
// by (stems - 1) times the floor, at most 36 over the whole demo song's 7 stems.
TEST(VoiceStems, AddUpToTheWholeSongOnceTheSilentFloorIsTakenOut) {
    TImfSong song = Demo();
    SampleBuffer whole = FirstBar(song, 0);
    SampleBuffer floor = FirstBar(song, kAllVoices);
    ASSERT_EQ(floor.size(), whole.size());
    EXPECT_LE(*std::max_element(floor.begin(), floor.end(),
                                [](int a, int b) { return std::abs(a) < std::abs(b); }),
              9);
    VoiceSet sounding = 0;
    for (const VoiceNote& note : ReadSongVoices(song).notes)
        sounding = static_cast<VoiceSet>(sounding | 1u << note.voice);
    ASSERT_EQ(sounding, 0x7F); // channels 0 to 6
    std::vector<int> sum(whole.size(), 0);
    SampleBuffer withoutZero;
    for (int voice = 0; voice < 7; ++voice) {
        SampleBuffer stem = FirstBar(song, Solo(voice));
        for (std::size_t i = 0; i < stem.size(); ++i)
            sum[i] += stem[i] - floor[i];
        if (voice == 0)
            withoutZero = FirstBar(song, 1);
        // Muting channel 0 takes away exactly its stem.
        for (std::size_t i = 0; voice == 0 && i < stem.size(); ++i)
            ASSERT_EQ(withoutZero[i], whole[i] - (stem[i] - floor[i])) << "sample " << i;
    }
    std::size_t differing = 0;
    for (std::size_t i = 0; i < whole.size(); ++i)
        differing += sum[i] + floor[i] != whole[i];
    EXPECT_EQ(differing, 0u);
    // A voice that plays nothing renders the silent floor.
    EXPECT_EQ(FirstBar(song, Solo(8)), floor);
}

TEST(VoiceStems, MutingAPlayingStreamKeysTheVoiceOffAtOnce) {
    // At tick 300 the bass's second note (keyed on at 280) sounds on channel 0.
    std::vector<TimedWrite> writes = MergeChannelLists(Demo());
    std::vector<TimedWrite> keyedOff;
    std::uint8_t key = 0;
    for (const TimedWrite& write : writes) {
        if (write.time < 300) {
            key = write.reg == 0xB0 ? write.val : key;
            keyedOff.push_back(write);
            continue;
        }
        if (keyedOff.back().time < 300)
            keyedOff.push_back({300, 0xB0, static_cast<std::uint8_t>(key & ~0x20)});
        keyedOff.push_back({write.time, write.reg, SilencedValue(write.reg, write.val, 1)});
    }
    const std::int64_t end = SampleOfTick(1200, kRate);
    SampleBuffer muted, expected, playing;
    SongStream stream(writes, kRate, 300);
    stream.SetMuted(1);
    stream.RenderUntil(muted, end);
    SongStream(keyedOff, kRate, 300).RenderUntil(expected, end);
    SongStream(writes, kRate, 300).RenderUntil(playing, end);
    EXPECT_EQ(muted, expected);
    EXPECT_NE(muted, playing);
}
