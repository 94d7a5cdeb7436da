#include "WriteOrder.h"

#include "RegisterMap.h"

#include <array>
#include <cstddef>
#include <limits>

namespace {
// The head of one list as the pick compares it; a used-up list has a time after every write.
struct Head {
    std::int64_t time = std::numeric_limits<std::int64_t>::max();
    std::int32_t index = 0;
    const TInstruction* write = nullptr;
};

// Whether `candidate` (from a later list than `pick`) is to be written before `pick`. At one tick
// the lower list goes first, but two writes read from the input keep their input order: where
// rhythm mode switches on, the channel lists of channels 6..8 hold the values written before the
// switch and list 0 those written after it, and the later values must win. Written without
// branches: the picks of a busy song are too irregular to predict.
bool GoesBefore(const Head& candidate, const Head& pick) {
    return (candidate.time < pick.time) | ((candidate.time == pick.time) & (candidate.index > 0) &
                                           (pick.index > 0) & (candidate.index < pick.index));
}
} // namespace

std::vector<TimedWrite> MergeChannelLists(const TImfSong& song) {
    std::array<TInstructionList::const_iterator, 10> next;
    std::array<Head, 10> heads;
    auto advance = [&](int list) {
        if (next[list] == song.channels[list].end()) {
            heads[list] = Head();
            return;
        }
        const TInstruction* write = (next[list]++)->get();
        heads[list] = {write->globaltime, write->index, write};
        // The writes lie scattered on the heap: fetch this list's next one while the others
        // are picked.
        if (next[list] != song.channels[list].end())
            __builtin_prefetch(next[list]->get());
    };
    for (int list = 0; list < 10; ++list) {
        next[list] = song.channels[list].begin();
        advance(list);
    }
    std::vector<TimedWrite> merged;
    merged.reserve(static_cast<std::size_t>(song.InstructionCount()));
    for (;;) {
        int pick = 0;
        for (int list = 1; list < 10; ++list)
            pick = GoesBefore(heads[list], heads[pick]) ? list : pick;
        const TInstruction* write = heads[pick].write;
        if (!write)
            return merged;
        std::uint8_t reg = write->reg;
        if (pick > 0)
            reg = DeNeutralizeReg(reg, static_cast<std::uint8_t>(pick - 1));
        merged.push_back({write->globaltime, reg, write->val});
        advance(pick);
    }
}
