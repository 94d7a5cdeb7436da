// Whole-song operations on the channel lists: timbre count, channel swap, volume changes.
#include "ImfSong.h"

#include <algorithm>
#include <set>

std::int32_t TImfSong::CountUniqueTimbres() const {
    // A note's timbre is the channel state after every write of its key-on tick; it is compared
    // at each later write of the channel while the note sounds, the key-off included.
    // The known timbres by their keys: a search through a list of them per note would make a
    // song whose every note has its own timbre take minutes.
    std::set<TTimbre::LooseKey> known;
    for (std::size_t k = 1; k < channels.size(); ++k) {
        TTimbre current;
        std::int32_t noteTime = 0;
        bool sounding = false;
        for (const InstructionRef& instruction : channels[k]) {
            if (sounding && instruction->globaltime != noteTime) {
                known.insert(current.Key());
            }
            if (!instruction->IsKeyOnOff()) {
                current.Apply(instruction->reg, instruction->val);
            } else if (instruction->IsKeyOn()) {
                if (!sounding) {
                    noteTime = instruction->globaltime;
                    sounding = true;
                }
            } else {
                sounding = false;
            }
        }
    }
    return static_cast<std::int32_t>(known.size());
}

int TImfSong::SwapChannels(int a, int b) {
    if (a >= 1 && a <= 9 && b >= 1 && b <= 9)
        std::swap(channels[a], channels[b]);
    return 0;
}

namespace {
// Moves the total level (attenuation) of every 0x43 write; bits 7-6 stay as they were.
void ChangeListVolume(TInstructionList& list, int amount) {
    for (const InstructionRef& instruction : list) {
        if (instruction->reg != 0x43)
            continue;
        std::int64_t level =
            std::clamp<std::int64_t>(std::int64_t{instruction->val & 0x3F} - amount, 0, 63);
        instruction->val = static_cast<std::uint8_t>((instruction->val & 0xC0) | level);
    }
}
} // namespace

int TImfSong::ChangeVolume(int amount) {
    for (TInstructionList& list : channels)
        ChangeListVolume(list, amount);
    return 0;
}

int TImfSong::ChangeChannelVolume(int channel, int amount) {
    if (channel >= 1 && channel <= 9)
        ChangeListVolume(channels[channel], amount);
    return 0;
}
