// Write streams of single notes on channel 0 for the sound tests.
#pragma once

#include "SongFeed.h"
#include "WriteOrder.h"

#include <cstdint>
#include <vector>

namespace notestream {

// A sustained tone on channel 0 (testsupport::kToneTimbre). blockFnum is the 13-bit value of
// registers 0xB0/0xA0 without the key-on bit (0x1244 is close to 440 Hz).
inline std::vector<TimedWrite> Note(std::int32_t on, std::int32_t off,
                                    std::uint16_t blockFnum = 0x1244) {
    std::vector<TimedWrite> writes;
    for (auto [reg, val] : testsupport::kToneTimbre)
        writes.push_back({0, reg, val});
    writes.push_back({0, 0xC0, 0x00});
    auto low = static_cast<std::uint8_t>(blockFnum & 0xFF);
    auto high = static_cast<std::uint8_t>(blockFnum >> 8);
    writes.push_back({on, 0xA0, low});
    writes.push_back({on, 0xB0, static_cast<std::uint8_t>(high | 0x20)});
    writes.push_back({off, 0xB0, high});
    return writes;
}

} // namespace notestream
