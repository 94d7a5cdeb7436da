#include "SoundCompare.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <complex>
#include <numbers>

namespace {
// The upper edges in Hz of all bands but the last, which runs to half the sample rate.
constexpr double kBandTops[] = {100,  200,  300,  400,  510,  630,  770,  920,
                                1080, 1270, 1480, 1720, 2000, 2320, 2700, 3150,
                                3700, 4400, 5300, 6400, 7700, 9500, 12000};
static_assert(std::size(kBandTops) == kCriticalBands - 1);
// 0 dBFS: a square wave at full scale, whose mean square is the peak squared.
constexpr double kFullScaleMeanSquare = 32768.0 * 32768.0;

// The 20 Hz high-pass: a second-order Butterworth section (bilinear, pre-warped), whose power
// gain is (f/fc)^4 / (1 + (f/fc)^4).
std::vector<float> HighPassed(const std::vector<std::int16_t>& samples, std::size_t length,
                              int sampleRate) {
    const double k = std::tan(std::numbers::pi * kHighPassHz / sampleRate);
    const double q = std::numbers::sqrt2 / 2;
    const double norm = 1 / (1 + k / q + k * k);
    const double b0 = norm, b1 = -2 * norm;
    const double a1 = 2 * (k * k - 1) * norm, a2 = (1 - k / q + k * k) * norm;
    std::vector<float> out(length);
    double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (std::size_t i = 0; i < length; ++i) {
        double x = i < samples.size() ? samples[i] : 0.0;
        double y = b0 * x + b1 * x1 + b0 * x2 - a1 * y1 - a2 * y2;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        out[i] = static_cast<float>(y);
    }
    return out;
}

// A radix-2 FFT of one fixed power-of-two length, twiddles computed once.
class Fft {
public:
    explicit Fft(std::size_t length) : length_(length), twiddles_(length / 2) {
        for (std::size_t k = 0; k < twiddles_.size(); ++k)
            twiddles_[k] = std::polar(1.0, -2 * std::numbers::pi * static_cast<double>(k) /
                                               static_cast<double>(length));
    }

    void Transform(std::vector<std::complex<double>>& data) const {
        for (std::size_t i = 1, j = 0; i < length_; ++i) {
            std::size_t bit = length_ >> 1;
            for (; j & bit; bit >>= 1)
                j ^= bit;
            j ^= bit;
            if (i < j)
                std::swap(data[i], data[j]);
        }
        for (std::size_t half = 1; half < length_; half <<= 1) {
            const std::size_t stride = length_ / (2 * half);
            for (std::size_t start = 0; start < length_; start += 2 * half) {
                for (std::size_t k = 0; k < half; ++k) {
                    std::complex<double> odd = data[start + k + half] * twiddles_[k * stride];
                    data[start + k + half] = data[start + k] - odd;
                    data[start + k] += odd;
                }
            }
        }
    }

private:
    std::size_t length_;
    std::vector<std::complex<double>> twiddles_;
};

using BandLevels = std::array<double, kCriticalBands>;

// Both renders' band levels window by window: one complex FFT carries A as its real part and B
// as its imaginary part, and the two spectra are separated by symmetry.
class BandMeter {
public:
    BandMeter(std::size_t windowLength, int sampleRate)
        : fftLength_(std::bit_ceil(windowLength)), fft_(fftLength_), weights_(windowLength) {
        double weightSquares = 0;
        for (std::size_t i = 0; i < windowLength; ++i) {
            weights_[i] =
                0.5 - 0.5 * std::cos(2 * std::numbers::pi * (static_cast<double>(i) + 0.5) /
                                     static_cast<double>(windowLength));
            weightSquares += weights_[i] * weights_[i];
        }
        // Parseval: a window's Hann-weighted mean square from its spectrum.
        scale_ = 1 / (static_cast<double>(fftLength_) * weightSquares * kFullScaleMeanSquare);
        bandOfBin_.resize(fftLength_ / 2 + 1);
        for (std::size_t bin = 0; bin < bandOfBin_.size(); ++bin) {
            double hz = static_cast<double>(bin) * sampleRate / static_cast<double>(fftLength_);
            int band = 0;
            while (band + 1 < kCriticalBands && hz >= CriticalBandTop(band, sampleRate))
                ++band;
            bandOfBin_[bin] = band;
        }
        spectrum_.resize(fftLength_);
    }

    void Measure(const std::vector<float>& a, const std::vector<float>& b, std::size_t start,
                 BandLevels& levelsA, BandLevels& levelsB) {
        std::fill(spectrum_.begin(), spectrum_.end(), std::complex<double>());
        const std::size_t count = std::min(weights_.size(), a.size() - start);
        for (std::size_t i = 0; i < count; ++i)
            spectrum_[i] = {weights_[i] * a[start + i], weights_[i] * b[start + i]};
        fft_.Transform(spectrum_);
        BandLevels powerA{}, powerB{};
        const std::size_t half = fftLength_ / 2;
        for (std::size_t bin = 0; bin <= half; ++bin) {
            std::complex<double> z = spectrum_[bin];
            std::complex<double> mirror = std::conj(spectrum_[(fftLength_ - bin) % fftLength_]);
            // The bins of both halves of the spectrum: once at 0 and half, twice elsewhere.
            double sides = bin == 0 || bin == half ? 0.25 : 0.5;
            powerA[bandOfBin_[bin]] += sides * std::norm(z + mirror);
            powerB[bandOfBin_[bin]] += sides * std::norm(z - mirror);
        }
        for (int band = 0; band < kCriticalBands; ++band) {
            levelsA[band] = Dbfs(powerA[band]);
            levelsB[band] = Dbfs(powerB[band]);
        }
    }

private:
    double Dbfs(double power) const {
        double meanSquare = power * scale_;
        return meanSquare > 0 ? std::max(10 * std::log10(meanSquare), kFloorDbfs) : kFloorDbfs;
    }

    std::size_t fftLength_;
    Fft fft_;
    std::vector<double> weights_;
    std::vector<int> bandOfBin_;
    std::vector<std::complex<double>> spectrum_;
    double scale_;
};

double Median(std::vector<float>& values) {
    if (values.empty())
        return 0;
    const std::size_t middle = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + middle, values.end());
    double upper = values[middle];
    if (values.size() % 2 != 0)
        return upper;
    return (upper + *std::max_element(values.begin(), values.begin() + middle)) / 2;
}
} // namespace

double CriticalBandTop(int band, int sampleRate) {
    return band + 1 == kCriticalBands ? sampleRate / 2.0 : kBandTops[band];
}

SoundComparison CompareSounds(const std::vector<std::int16_t>& a,
                              const std::vector<std::int16_t>& b, int sampleRate,
                              std::size_t topWindows) {
    SoundComparison result;
    result.samplesA = a.size();
    result.samplesB = b.size();
    const std::size_t length = std::max(a.size(), b.size());
    const auto windowLength =
        static_cast<std::size_t>(std::max(1L, std::lround(kWindowSeconds * sampleRate)));
    const auto hop = static_cast<std::size_t>(std::max(1L, std::lround(kHopSeconds * sampleRate)));
    std::vector<float> filteredA = HighPassed(a, length, sampleRate);
    std::vector<float> filteredB = HighPassed(b, length, sampleRate);
    BandMeter meter(windowLength, sampleRate);

    std::vector<float> differences;
    std::vector<BandDifference> worstOfWindow;
    BandLevels levelsA, levelsB;
    for (std::size_t start = 0; start < length; start += hop) {
        ++result.windows;
        meter.Measure(filteredA, filteredB, start, levelsA, levelsB);
        BandDifference worst{};
        bool counted = false;
        for (int band = 0; band < kCriticalBands; ++band) {
            if (std::max(levelsA[band], levelsB[band]) <= kAudibleDbfs)
                continue;
            BandDifference here{static_cast<double>(start) / sampleRate, band, levelsA[band],
                                levelsB[band]};
            differences.push_back(static_cast<float>(here.Difference()));
            if (!counted || here.Difference() > worst.Difference())
                worst = here;
            counted = true;
        }
        if (!counted)
            continue;
        ++result.countedWindows;
        result.windowsOff += worst.Difference() > kBandDifferenceDb;
        result.worstDifferenceDb = std::max(result.worstDifferenceDb, worst.Difference());
        if (topWindows > 0)
            worstOfWindow.push_back(worst);
    }
    result.medianDifferenceDb = Median(differences);

    // Largest difference first; on equal differences the earlier window.
    const std::size_t kept = std::min(topWindows, worstOfWindow.size());
    std::partial_sort(worstOfWindow.begin(), worstOfWindow.begin() + static_cast<long>(kept),
                      worstOfWindow.end(), [](const BandDifference& x, const BandDifference& y) {
                          if (x.Difference() != y.Difference())
                              return x.Difference() > y.Difference();
                          return x.seconds < y.seconds;
                      });
    worstOfWindow.resize(kept);
    result.worstWindows = std::move(worstOfWindow);
    return result;
}
