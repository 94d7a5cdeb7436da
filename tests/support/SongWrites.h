// A song's writes as the writers put them on disk, as (time, real register, value) for tests.
#pragma once

#include "WriteOrder.h"

#include <tuple>
#include <vector>

namespace testsupport {

using TimedWriteTuple = std::tuple<int, int, int>;

inline std::vector<TimedWriteTuple> SongWrites(const TImfSong& song) {
    std::vector<TimedWriteTuple> writes;
    for (const TimedWrite& w : MergeChannelLists(song))
        writes.emplace_back(w.time, w.reg, w.val);
    return writes;
}

} // namespace testsupport
