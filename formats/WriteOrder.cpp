#include "WriteOrder.h"

#include "RegisterMap.h"

#include <array>
#include <cstddef>

namespace {
// Whether `candidate` (from a later list than `pick`) is to be written before `pick`. At one tick
// the lower list goes first, but two writes read from the input keep their input order: where
// rhythm mode switches on, the channel lists of channels 6..8 hold the values written before the
// switch and list 0 those written after it, and the later values must win.
bool GoesBefore(const TInstruction& candidate, const TInstruction& pick) {
    if (candidate.globaltime != pick.globaltime)
        return candidate.globaltime < pick.globaltime;
    return candidate.index > 0 && pick.index > 0 && candidate.index < pick.index;
}
} // namespace

std::vector<TimedWrite> MergeChannelLists(const TImfSong& song) {
    std::array<std::size_t, 10> next{}; // the head of each list
    std::vector<TimedWrite> merged;
    merged.reserve(static_cast<std::size_t>(song.InstructionCount()));
    for (;;) {
        int pick = -1;
        for (int list = 0; list < 10; ++list) {
            if (next[list] == song.channels[list].size())
                continue;
            if (pick < 0 ||
                GoesBefore(*song.channels[list][next[list]], *song.channels[pick][next[pick]]))
                pick = list;
        }
        if (pick < 0)
            return merged;
        const TInstruction& write = *song.channels[pick][next[pick]++];
        std::uint8_t reg = write.reg;
        if (pick > 0)
            reg = DeNeutralizeReg(reg, static_cast<std::uint8_t>(pick - 1));
        merged.push_back({write.globaltime, reg, write.val});
    }
}
