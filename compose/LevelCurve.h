// How loud a note plays: velocity, volume and expression as attenuation of the carrier.
#pragma once

#include <cstdint>

// Each of velocity, volume (controller 7) and expression (controller 11) attenuates by
// 40 * log10(127 / value) dB, the General MIDI curve, in the chip's steps of 0.75 dB (a value of
// 0 silences). The sum is added to the operator's own level (0..63, 63 the softest).
int AttenuationSteps(int velocity, int volume, int expression);

// The 0x40 register of an operator: its key-scale bits kept, its level raised by `steps`.
std::uint8_t LeveledScale(std::uint8_t scaleLevel, int steps);
