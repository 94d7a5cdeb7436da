#include "CarrierLevels.h"

#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

namespace {
// The percussion operators' level registers: 0x53 bass drum, 0x51 hi-hat, 0x54 snare,
// 0x52 tom-tom, 0x55 cymbal. 0x50, channel 6's first operator, is never heard as a drum.
bool IsPercussionLevel(std::uint8_t reg) {
    return reg >= 0x51 && reg <= 0x55;
}

void Lower(TInstruction& write, int amount) {
    std::int64_t level = std::clamp<std::int64_t>(std::int64_t{write.val & 0x3F} - amount, 0, 63);
    write.val = static_cast<std::uint8_t>((write.val & 0xC0) | level);
}

// A channel list in neutral form. A timbre's writes come in any order within their tick, so
// the first operator's level counts as a carrier when the connection in force at the end of
// its tick is additive.
void ChangeChannelList(TInstructionList& list, int amount) {
    std::vector<std::pair<std::int32_t, std::uint8_t>> connections; // (time, 0xC0 value)
    for (const InstructionRef& write : list) {
        if (write->reg == 0xC0)
            connections.emplace_back(write->globaltime, write->val);
    }
    auto additiveAt = [&](std::int32_t time) {
        auto after =
            std::upper_bound(connections.begin(), connections.end(), time,
                             [](std::int32_t t, const std::pair<std::int32_t, std::uint8_t>& c) {
                                 return t < c.first;
                             });
        return after != connections.begin() && (std::prev(after)->second & 1) != 0;
    };
    for (const InstructionRef& write : list) {
        if (write->reg == 0x43 || (write->reg == 0x40 && additiveAt(write->globaltime)))
            Lower(*write, amount);
    }
}
} // namespace

void ChangeCarrierLevels(TImfSong& song, int amount, int list) {
    for (int k = 1; k < static_cast<int>(song.channels.size()); ++k) {
        if (list == 0 || list == k)
            ChangeChannelList(song.channels[k], amount);
    }
    if (list != 0)
        return;
    for (const InstructionRef& write : song.channels[0]) {
        if (IsPercussionLevel(write->reg))
            Lower(*write, amount);
    }
}
