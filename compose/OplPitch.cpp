#include "OplPitch.h"

#include <cmath>

namespace {
constexpr double kChipRate = 49716.0; // the OPL2's sample rate: its clock / 72
} // namespace

double FrequencyOfPitch(double semitones) {
    return 440.0 * std::exp2((semitones - 69.0) / 12.0);
}

OplFrequency FrequencyRegisters(double hertz) {
    for (int block = 0; block < 8; ++block) {
        const long fnum = std::lround(hertz * std::exp2(20 - block) / kChipRate);
        if (fnum <= 1023)
            return {fnum < 1 ? 1 : static_cast<int>(fnum), block};
    }
    return {1023, 7};
}
