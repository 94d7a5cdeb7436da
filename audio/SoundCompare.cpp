#include "SoundCompare.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <limits>
#include <numbers>

namespace {
// Band edges in Hz: bass, low and high middle, presence, brilliance; the last band runs to the
// top of the spectrum.
constexpr std::array<double, 6> kBandEdges = {0, 200, 500, 1200, 3000, 7000};
constexpr std::size_t kBands = kBandEdges.size();
using BandLevels = std::array<double, kBands>;

// Below any level that matters: the level of a silent band.
constexpr double kSilenceDb = -200.0;
// 0 dBFS is a full-scale sine.
constexpr double kFullScaleMeanSquare = 32768.0 * 32768.0 / 2;

void Fft(std::vector<std::complex<double>>& data) {
    const std::size_t n = data.size();
    for (std::size_t i = 1, j = 0; i < n; ++i) {
        std::size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(data[i], data[j]);
    }
    for (std::size_t length = 2; length <= n; length <<= 1) {
        double angle = -2 * std::numbers::pi / static_cast<double>(length);
        std::complex<double> step(std::cos(angle), std::sin(angle));
        for (std::size_t start = 0; start < n; start += length) {
            std::complex<double> w(1);
            for (std::size_t k = 0; k < length / 2; ++k) {
                std::complex<double> even = data[start + k];
                std::complex<double> odd = data[start + k + length / 2] * w;
                data[start + k] = even + odd;
                data[start + k + length / 2] = even - odd;
                w *= step;
            }
        }
    }
}

// Cuts a buffer into windows and measures each window's level per band, Hann-weighted.
class BandMeter {
public:
    BandMeter(int windowLength, int sampleRate) {
        fftLength_ = 1;
        while (fftLength_ < static_cast<std::size_t>(windowLength))
            fftLength_ <<= 1;
        weights_.resize(static_cast<std::size_t>(windowLength));
        double weightSquares = 0;
        for (std::size_t i = 0; i < weights_.size(); ++i) {
            weights_[i] =
                0.5 - 0.5 * std::cos(2 * std::numbers::pi * (static_cast<double>(i) + 0.5) /
                                     static_cast<double>(windowLength));
            weightSquares += weights_[i] * weights_[i];
        }
        // Parseval: a bin's share of the window's mean square, both halves of the spectrum.
        scale_ = 2.0 / (static_cast<double>(fftLength_) * weightSquares * kFullScaleMeanSquare);
        bandOfBin_.resize(fftLength_ / 2 + 1);
        for (std::size_t bin = 0; bin < bandOfBin_.size(); ++bin) {
            double hz = static_cast<double>(bin) * sampleRate / static_cast<double>(fftLength_);
            std::size_t band = 0;
            while (band + 1 < kBands && hz >= kBandEdges[band + 1])
                ++band;
            bandOfBin_[bin] = band;
        }
        spectrum_.resize(fftLength_);
    }

    BandLevels Measure(const std::vector<std::int16_t>& samples, std::size_t start) {
        std::fill(spectrum_.begin(), spectrum_.end(), std::complex<double>());
        for (std::size_t i = 0; i < weights_.size() && start + i < samples.size(); ++i)
            spectrum_[i] = weights_[i] * samples[start + i];
        Fft(spectrum_);
        std::array<double, kBands> power{};
        for (std::size_t bin = 0; bin < bandOfBin_.size(); ++bin)
            power[bandOfBin_[bin]] += std::norm(spectrum_[bin]);
        BandLevels levels;
        for (std::size_t band = 0; band < kBands; ++band) {
            double meanSquare = power[band] * scale_;
            levels[band] =
                meanSquare > 0 ? std::max(10 * std::log10(meanSquare), kSilenceDb) : kSilenceDb;
        }
        return levels;
    }

private:
    std::size_t fftLength_;
    std::vector<double> weights_;
    std::vector<std::size_t> bandOfBin_;
    std::vector<std::complex<double>> spectrum_;
    double scale_;
};

double RelativeRmsDb(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
    double reference = 0, difference = 0;
    const std::size_t length = std::max(a.size(), b.size());
    for (std::size_t i = 0; i < length; ++i) {
        double x = i < a.size() ? a[i] : 0;
        double y = i < b.size() ? b[i] : 0;
        reference += x * x;
        difference += (y - x) * (y - x);
    }
    if (difference == 0)
        return -std::numeric_limits<double>::infinity();
    if (reference == 0)
        return std::numeric_limits<double>::infinity();
    return 10 * std::log10(difference / reference);
}
} // namespace

SoundComparison CompareSounds(const std::vector<std::int16_t>& a,
                              const std::vector<std::int16_t>& b, int sampleRate) {
    SoundComparison result;
    result.rmsDifferenceDb = RelativeRmsDb(a, b);
    const int windowLength =
        std::max(1, static_cast<int>(std::lround(kWindowSeconds * sampleRate)));
    BandMeter meter(windowLength, sampleRate);
    const std::size_t length = std::max(a.size(), b.size());
    for (std::size_t start = 0; start < length; start += static_cast<std::size_t>(windowLength)) {
        ++result.windows;
        BandLevels levelsA = meter.Measure(a, start);
        BandLevels levelsB = meter.Measure(b, start);
        bool loud = false, differs = false;
        for (std::size_t band = 0; band < kBands; ++band) {
            if (std::max(levelsA[band], levelsB[band]) <= kAudibleDbfs)
                continue;
            loud = true;
            if (std::abs(levelsA[band] - levelsB[band]) > kBandDifferenceDb)
                differs = true;
        }
        result.loudWindows += loud;
        result.differingWindows += differs;
    }
    return result;
}
