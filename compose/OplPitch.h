// The chip's frequency registers for a pitch: F-number and block, as precise as the chip allows.
#pragma once

#include <cstdint>

struct OplFrequency {
    int fnum;  // 0..1023
    int block; // 0..7
    // The value of 0xB0 without the key bit, and of 0xA0.
    std::uint8_t B0() const { return static_cast<std::uint8_t>(block << 2 | fnum >> 8); }
    std::uint8_t A0() const { return static_cast<std::uint8_t>(fnum & 0xFF); }
};

// The frequency in Hz of a pitch in MIDI semitones (69 is 440 Hz; fractions bend it).
double FrequencyOfPitch(double semitones);

// The lowest block whose F-number (frequency * 2^(20 - block) / 49716, rounded) fits 10 bits,
// which leaves the F-number at 512 or more above 48.5 Hz: within 1.7 cents of the frequency.
// Frequencies beyond the chip's range take its highest or lowest F-number.
OplFrequency FrequencyRegisters(double hertz);
