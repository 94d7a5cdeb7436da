// Write streams of single notes on channel 0 for the sound tests.
#pragma once

#include "WriteOrder.h"

#include <cstdint>
#include <vector>

namespace notestream {

// A sustained tone on channel 0: the carrier at full volume, the modulator nearly silent, a
// quick attack and a release of about half a second. blockFnum is the 13-bit value of
// registers 0xB0/0xA0 without the key-on bit (0x1244 is close to 440 Hz).
inline std::vector<TimedWrite> Note(std::int32_t on, std::int32_t off,
                                    std::uint16_t blockFnum = 0x1244) {
    std::vector<TimedWrite> writes = {
        {0, 0x20, 0x21}, {0, 0x23, 0x21}, {0, 0x40, 0x3F}, {0, 0x43, 0x00}, {0, 0x60, 0xF0},
        {0, 0x63, 0xF0}, {0, 0x80, 0x07}, {0, 0x83, 0x07}, {0, 0xC0, 0x00},
    };
    auto low = static_cast<std::uint8_t>(blockFnum & 0xFF);
    auto high = static_cast<std::uint8_t>(blockFnum >> 8);
    writes.push_back({on, 0xA0, low});
    writes.push_back({on, 0xB0, static_cast<std::uint8_t>(high | 0x20)});
    writes.push_back({off, 0xB0, high});
    return writes;
}

} // namespace notestream
