// The comparison by critical bands: one band changed inside a wide one, an inaudible low
// offset, unequal lengths, the 6 dB line with the median and worst differences.
#include "NoteStream.h"
#include "Opl2Chip.h"
#include "SongRender.h"
#include "SoundCompare.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <utility>

namespace {
constexpr int kRate = Opl2Chip::kSampleRate;

// Half a second of sines, each (Hz, peak as a share of full scale).
SampleBuffer Sines(std::initializer_list<std::pair<double, double>> sines) {
    SampleBuffer samples(kRate / 2);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        double value = 0;
        for (auto [hz, peak] : sines)
            value += peak * 32767 * std::sin(2 * std::numbers::pi * hz * i / kRate);
        samples[i] = static_cast<std::int16_t>(std::lround(value));
    }
    return samples;
}
} // namespace

TEST(BarkBands, OneCriticalBandChangedInsideAWideBandIsOff) {
    // 1150 Hz five times quieter beside a louder 1000 Hz: 1.0 dB over 500..1200 Hz, 14 dB in
    // the critical band 1080..1270 Hz.
    SoundComparison c = CompareSounds(Sines({{1000, 0.3}, {1150, 0.1}}),
                                      Sines({{1000, 0.3}, {1150, 0.02}}), kRate, 3);
    EXPECT_FALSE(c.SoundsTheSame());
    EXPECT_GE(c.windowsOff, c.windows - 2);
    EXPECT_NEAR(c.worstDifferenceDb, 14.0, 1.0);
    ASSERT_EQ(c.worstWindows.size(), 3u);
    EXPECT_EQ(c.worstWindows[0].band, 9);
    EXPECT_NEAR(c.worstWindows[0].levelA, -23.0, 1.0); // a sine at 0.1 of a full-scale square
    EXPECT_GE(c.worstWindows[0].Difference(), c.worstWindows[2].Difference());
}

TEST(BarkBands, AnOffsetAtAFewHertzIsNotHeardUnequalLengthsAre) {
    SampleBuffer a = Sines({{440, 0.3}});
    SampleBuffer b = a;
    for (std::size_t i = 0; i < b.size(); ++i) // rises from 0 to 0.2 of full scale and back
        b[i] += static_cast<std::int16_t>(3277 * (1 - std::cos(4 * std::numbers::pi * i / kRate)));
    SoundComparison c = CompareSounds(a, b, kRate);
    EXPECT_TRUE(c.SoundsTheSame()) << c.worstDifferenceDb;
    EXPECT_GT(c.countedWindows, 40);
    b.push_back(0);
    EXPECT_FALSE(CompareSounds(a, b, kRate).SoundsTheSame());
}

TEST(BarkBands, EveryBandSixDecibelsQuieterIsOffJustBelowItIsNot) {
    SampleBuffer a = RenderWrites(notestream::Note(56, 560), 560);
    auto scaled = [&](double gain) {
        SampleBuffer b = a;
        for (std::int16_t& s : b)
            s = static_cast<std::int16_t>(std::lround(s * gain));
        return CompareSounds(a, b, kRate);
    };
    SoundComparison half = scaled(0.5); // 6.02 dB
    EXPECT_GT(half.windowsOff, 50);
    EXPECT_NEAR(half.medianDifferenceDb, 6.02, 0.05);
    SoundComparison less = scaled(0.55); // 5.19 dB
    EXPECT_EQ(less.windowsOff, 0);
    EXPECT_NEAR(less.worstDifferenceDb, 5.19, 0.3);
}

TEST(BarkBands, TheHighestBandRunsToHalfTheSampleRate) {
    // The last band, 24 (23 from 0), starts at 12 kHz and takes in 18 kHz; 10 kHz lies in 23.
    SoundComparison c = CompareSounds(Sines({{18000, 0.3}}), SampleBuffer(kRate / 2, 0), kRate, 1);
    ASSERT_EQ(c.worstWindows.size(), 1u);
    EXPECT_EQ(c.worstWindows[0].band, 23);
    c = CompareSounds(Sines({{10000, 0.3}}), SampleBuffer(kRate / 2, 0), kRate, 1);
    ASSERT_EQ(c.worstWindows.size(), 1u);
    EXPECT_EQ(c.worstWindows[0].band, 22);
}

TEST(BarkBands, TheBandsAreZwickersCriticalBands) {
    // Their upper edges in Hz (Zwicker, 1961). A window of 20 ms cannot tell an edge moved by
    // a few hertz, so the table itself is checked; the last band runs to half the rate.
    const double kTops[] = {100,  200,  300,  400,  510,  630,  770,  920,  1080, 1270, 1480, 1720,
                            2000, 2320, 2700, 3150, 3700, 4400, 5300, 6400, 7700, 9500, 12000};
    for (int band = 0; band < 23; ++band)
        EXPECT_EQ(CriticalBandTop(band, kRate), kTops[band]) << band;
    EXPECT_EQ(CriticalBandTop(23, kRate), kRate / 2.0);
}
