// Comparing two renders as a listener hears them: critical-band levels in short windows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The measure: Hann windows of 20 ms every 10 ms, after a 20 Hz high-pass that removes the
// inaudible offset of a channel at a very low frequency; the power of each window summed into
// the 24 critical bands of the Bark scale, in dBFS (0 dBFS: the RMS of a full-scale square
// wave), floored at kFloorDbfs. A band counts in a window when either render has it above
// kAudibleDbfs; a window is off when a counted band differs by more than kBandDifferenceDb.
constexpr double kWindowSeconds = 0.020;
constexpr double kHopSeconds = 0.010;
constexpr double kHighPassHz = 20.0;
constexpr double kFloorDbfs = -80.0;
constexpr double kAudibleDbfs = -50.0;
constexpr double kBandDifferenceDb = 6.0;
constexpr int kCriticalBands = 24;

// Upper edge in Hz of critical band `band` (0-based); the last band runs to half the sample rate.
double CriticalBandTop(int band, int sampleRate);

// One counted band of one window.
struct BandDifference {
    double seconds; // start of the window
    int band;       // 0-based
    double levelA;  // dBFS
    double levelB;
    double Difference() const { return levelA > levelB ? levelA - levelB : levelB - levelA; }
};

struct SoundComparison {
    std::size_t samplesA = 0, samplesB = 0;
    int windows = 0;        // windows over the longer render
    int countedWindows = 0; // windows with at least one counted band
    int windowsOff = 0;
    double medianDifferenceDb = 0; // over every counted band of every window
    double worstDifferenceDb = 0;
    // The windows with the largest differences, largest first: each with its worst band.
    std::vector<BandDifference> worstWindows;

    bool SameLength() const { return samplesA == samplesB; }
    bool SoundsTheSame() const { return SameLength() && windowsOff == 0; }
};

// Compares two renders at the same sample rate; past the end of the shorter one it is taken as
// silent. `topWindows` is how many of the worst windows to keep.
SoundComparison CompareSounds(const std::vector<std::int16_t>& a,
                              const std::vector<std::int16_t>& b, int sampleRate,
                              std::size_t topWindows = 0);
