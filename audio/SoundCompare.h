// Comparing two renders by ear: overall difference and short windows whose spectrum changed.
#pragma once

#include <cstdint>
#include <vector>

// Loudness thresholds of the comparison.
constexpr double kWindowSeconds = 0.020;
constexpr double kBandDifferenceDb = 6.0;
constexpr double kAudibleDbfs = -50.0;

struct SoundComparison {
    // RMS of (B - A) relative to the RMS of A, in dB: minus infinity when the renders are
    // identical, plus infinity when A is silent and B is not.
    double rmsDifferenceDb = 0;
    // Windows of kWindowSeconds in which some band is above kAudibleDbfs in A or B.
    int loudWindows = 0;
    // Of those, the windows in which some band is more than kBandDifferenceDb louder in one
    // render than in the other (the louder one above kAudibleDbfs).
    int differingWindows = 0;
    int windows = 0;

    bool SoundsTheSame() const { return differingWindows == 0; }
};

// Compares two renders at the same sample rate; the shorter is taken as silent past its end.
SoundComparison CompareSounds(const std::vector<std::int16_t>& a,
                              const std::vector<std::int16_t>& b, int sampleRate);
