// The order in which the writers put a song's writes on disk: one time-ordered stream.
#pragma once

#include "ImfSong.h"
#include "RegisterMap.h"

#include <array>
#include <cstdint>
#include <limits>
#include <vector>

// One write with its real register number and its song time.
struct TimedWrite {
    std::int32_t time;
    std::uint8_t reg;
    std::uint8_t val;
};

namespace writeorder {
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
inline bool GoesBefore(const Head& candidate, const Head& pick) {
    return (candidate.time < pick.time) | ((candidate.time == pick.time) & (candidate.index > 0) &
                                           (pick.index > 0) & (candidate.index < pick.index));
}
} // namespace writeorder

// Visits the writes of the ten channel lists in the order the writers put them on disk:
// the smallest time first; on equal times the lower list index, except that two writes which
// both came from the input (index above 0) keep their input order. `visit` receives the write,
// the index of its list and its real register number (lists 1..9 hold neutral ones).
template <class Visit> void WalkChannelLists(const TImfSong& song, Visit&& visit) {
    using writeorder::Head;
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
    for (;;) {
        int pick = 0;
        for (int list = 1; list < 10; ++list)
            pick = writeorder::GoesBefore(heads[list], heads[pick]) ? list : pick;
        const TInstruction* write = heads[pick].write;
        if (!write)
            return;
        std::uint8_t reg = write->reg;
        if (pick > 0)
            reg = DeNeutralizeReg(reg, static_cast<std::uint8_t>(pick - 1));
        visit(*write, pick, reg);
        advance(pick);
    }
}

// The whole stream of WalkChannelLists as time, real register and value.
std::vector<TimedWrite> MergeChannelLists(const TImfSong& song);
