#include "WriteOrder.h"

#include <cstddef>

std::vector<TimedWrite> MergeChannelLists(const TImfSong& song) {
    std::vector<TimedWrite> merged;
    merged.reserve(static_cast<std::size_t>(song.InstructionCount()));
    WalkChannelLists(song, [&merged](const TInstruction& write, int, std::uint8_t reg) {
        merged.push_back({write.globaltime, reg, write.val});
    });
    return merged;
}
