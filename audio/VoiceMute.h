// Silencing voices of a song by their key-on bits, so the others play exactly as before.
#pragma once

#include "Voice.h"
#include "WriteOrder.h"

#include <cstdint>

// Bit v for voice v (Voice.h).
using VoiceSet = std::uint16_t;
constexpr VoiceSet kAllVoices = (1u << kVoiceCount) - 1;

// The value to write instead: a muted channel's key bit (0x20 of 0xB0..0xB8) or a muted drum's
// bit of 0xBD cleared; any other write unchanged.
inline std::uint8_t SilencedValue(std::uint8_t reg, std::uint8_t val, VoiceSet muted) {
    if (reg >= 0xB0 && reg <= 0xB8 && (muted >> (reg - 0xB0) & 1))
        return val & ~0x20 & 0xFF;
    if (reg == 0xBD)
        return static_cast<std::uint8_t>(val & ~(muted >> kFirstDrumVoice & 0x1F));
    return val;
}
