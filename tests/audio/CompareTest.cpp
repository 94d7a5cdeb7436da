#include "NoteStream.h"
#include "Opl2Chip.h"
#include "SongRender.h"
#include "SoundCompare.h"

#include <gtest/gtest.h>

namespace {
constexpr int kRate = Opl2Chip::kSampleRate;
// A window starts every 10 ms, 497 samples at the chip's rate.
constexpr int kWindowsPerSecond = 100;
} // namespace

TEST(CompareTest, AnotherNoteOrTimingOrVolumeDiffers) {
    SampleBuffer a = RenderWrites(notestream::Note(56, 560), 560);

    // An octave higher: the energy moves to another band while the note sounds.
    SoundComparison octave =
        CompareSounds(a, RenderWrites(notestream::Note(56, 560, 0x1644), 560), kRate);
    EXPECT_FALSE(octave.SoundsTheSame());
    EXPECT_GT(octave.windowsOff, kWindowsPerSecond / 2);

    // A release cut short: only the windows of the tail differ.
    std::vector<TimedWrite> cut = notestream::Note(56, 560);
    cut.push_back({560, 0x83, 0x0F});
    SoundComparison tail = CompareSounds(a, RenderWrites(cut, 560), kRate);
    EXPECT_GT(tail.windowsOff, 0);
    EXPECT_LT(tail.windowsOff, kWindowsPerSecond);

    // 12 dB quieter throughout, the same shape: every loud window differs.
    std::vector<TimedWrite> quieter = notestream::Note(56, 560);
    quieter[3].val = 0x10;
    SoundComparison soft = CompareSounds(a, RenderWrites(quieter, 560), kRate);
    EXPECT_GE(soft.windowsOff, kWindowsPerSecond * 8 / 10);
}

TEST(CompareTest, TinyDifferencesAndQuietSoundsPass) {
    SampleBuffer a = RenderWrites(notestream::Note(56, 560), 560);
    SampleBuffer nudged = a;
    for (std::size_t i = 0; i < nudged.size(); i += 2)
        nudged[i] = static_cast<std::int16_t>(nudged[i] + 1);
    SoundComparison small = CompareSounds(a, nudged, kRate);
    EXPECT_TRUE(small.SoundsTheSame());
    EXPECT_LT(small.worstDifferenceDb, 1.0);

    // Below -50 dBFS nothing counts, whatever the ratio.
    SampleBuffer whisper(994 * 25, 0);
    for (std::size_t i = 0; i < whisper.size(); ++i)
        whisper[i] = static_cast<std::int16_t>(i % 100 < 50 ? 20 : -20);
    SoundComparison quiet = CompareSounds(whisper, SampleBuffer(whisper.size(), 0), kRate);
    EXPECT_TRUE(quiet.SoundsTheSame());
    EXPECT_EQ(quiet.countedWindows, 0);
    EXPECT_EQ(quiet.windows, 50);
}
