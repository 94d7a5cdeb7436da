// Feeds register writes and delays to a song as a reader would, for tests.
#pragma once

#include "ImfSong.h"

#include <cstdint>
#include <initializer_list>

namespace testsupport {

// One IMF-like record: the write, then the delay after it.
struct Write {
    std::uint8_t reg;
    std::uint8_t val;
    int delay = 0;
};

// Calls InitRead, then ProcessCommand and ProcessPause for every record.
inline void Feed(TImfSong& song, std::initializer_list<Write> writes) {
    song.InitRead();
    for (const Write& w : writes) {
        song.ProcessCommand(w.reg, w.val);
        song.ProcessPause(w.delay);
    }
}

// Continues an already started song.
inline void FeedMore(TImfSong& song, std::initializer_list<Write> writes) {
    for (const Write& w : writes) {
        song.ProcessCommand(w.reg, w.val);
        song.ProcessPause(w.delay);
    }
}

} // namespace testsupport
