#include "NoteStream.h"
#include "Opl2Chip.h"
#include "SongRender.h"
#include "SoundCompare.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {
constexpr int kRate = Opl2Chip::kSampleRate;
// A window of 20 ms at the chip's rate is 994 samples.
constexpr int kWindowsPerSecond = 50;
} // namespace

TEST(CompareTest, ARenderSoundsTheSameAsItself) {
    SampleBuffer a = RenderWrites(notestream::Note(56, 560), 560);
    SoundComparison same = CompareSounds(a, a, kRate);
    EXPECT_TRUE(same.SoundsTheSame());
    EXPECT_EQ(same.differingWindows, 0);
    EXPECT_TRUE(std::isinf(same.rmsDifferenceDb) && same.rmsDifferenceDb < 0);
    EXPECT_EQ(same.windows, (3 * kRate + 993) / 994);
    // From the key-on at 0.1 s to well into the release, the note is above -50 dBFS.
    EXPECT_GT(same.loudWindows, kWindowsPerSecond);
    EXPECT_LT(same.loudWindows, same.windows - kWindowsPerSecond);
}

TEST(CompareTest, AnotherNoteOrTimingOrVolumeDiffers) {
    SampleBuffer a = RenderWrites(notestream::Note(56, 560), 560);

    // An octave higher: the energy moves to another band while the note sounds.
    SoundComparison octave =
        CompareSounds(a, RenderWrites(notestream::Note(56, 560, 0x1644), 560), kRate);
    EXPECT_FALSE(octave.SoundsTheSame());
    EXPECT_GT(octave.differingWindows, kWindowsPerSecond / 2);
    EXPECT_GT(octave.rmsDifferenceDb, 0.0);

    // A release cut short: only the windows of the tail differ.
    std::vector<TimedWrite> cut = notestream::Note(56, 560);
    cut.push_back({560, 0x83, 0x0F});
    SoundComparison tail = CompareSounds(a, RenderWrites(cut, 560), kRate);
    EXPECT_GT(tail.differingWindows, 0);
    EXPECT_LT(tail.differingWindows, kWindowsPerSecond);

    // 12 dB quieter throughout, the same shape: every loud window differs.
    std::vector<TimedWrite> quieter = notestream::Note(56, 560);
    quieter[3].val = 0x10;
    SoundComparison soft = CompareSounds(a, RenderWrites(quieter, 560), kRate);
    EXPECT_GE(soft.differingWindows, kWindowsPerSecond * 8 / 10);
    EXPECT_LT(soft.rmsDifferenceDb, 0.0);
}

TEST(CompareTest, TinyDifferencesAndQuietSoundsPass) {
    SampleBuffer a = RenderWrites(notestream::Note(56, 560), 560);
    SampleBuffer nudged = a;
    for (std::size_t i = 0; i < nudged.size(); i += 2)
        nudged[i] = static_cast<std::int16_t>(nudged[i] + 1);
    SoundComparison small = CompareSounds(a, nudged, kRate);
    EXPECT_TRUE(small.SoundsTheSame());
    EXPECT_LT(small.rmsDifferenceDb, -60.0);

    // Below -50 dBFS nothing counts, whatever the ratio; a missing end counts as silence.
    SampleBuffer whisper(994 * 25, 0);
    for (std::size_t i = 0; i < whisper.size(); ++i)
        whisper[i] = static_cast<std::int16_t>(i % 100 < 50 ? 20 : -20);
    SoundComparison quiet = CompareSounds(whisper, SampleBuffer(kRate / 4, 0), kRate);
    EXPECT_TRUE(quiet.SoundsTheSame());
    EXPECT_EQ(quiet.loudWindows, 0);
    EXPECT_EQ(quiet.windows, 25);
    EXPECT_EQ(quiet.rmsDifferenceDb, 0.0);
    EXPECT_TRUE(std::isinf(CompareSounds(SampleBuffer(10, 0), whisper, kRate).rmsDifferenceDb));
}
