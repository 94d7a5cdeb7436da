#include "LevelCurve.h"

#include <array>
#include <cmath>

namespace {
constexpr int kSilent = 63;

std::array<int, 128> MakeSteps() {
    std::array<int, 128> steps{};
    steps[0] = kSilent;
    for (int value = 1; value < 128; ++value)
        steps[value] = static_cast<int>(std::lround(40.0 * std::log10(127.0 / value) / 0.75));
    return steps;
}

const std::array<int, 128> kSteps = MakeSteps();
} // namespace

int AttenuationSteps(int velocity, int volume, int expression) {
    const int sum = kSteps[velocity & 127] + kSteps[volume & 127] + kSteps[expression & 127];
    return sum > kSilent ? kSilent : sum;
}

std::uint8_t LeveledScale(std::uint8_t scaleLevel, int steps) {
    const int level = (scaleLevel & 0x3F) + steps;
    return static_cast<std::uint8_t>((scaleLevel & 0xC0) | (level > kSilent ? kSilent : level));
}
