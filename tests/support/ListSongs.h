// Songs built list by list, for the tests of the writers and their order.
#pragma once

#include "ImfSong.h"

#include <cstdint>
#include <initializer_list>

namespace testsupport {

// One write placed directly in a channel list (list 1..9: neutral registers).
struct ListWrite {
    int list;
    std::uint8_t reg;
    std::uint8_t val;
    std::int32_t time;
    std::int32_t index = 0;
};

inline TImfSong SongWith(std::initializer_list<ListWrite> writes, std::int32_t length = 0) {
    TImfSong song;
    song.InitRead();
    for (const ListWrite& w : writes)
        song.channels[w.list].push_back(MakeInstruction(w.reg, w.val, w.time, w.index));
    song.globaltime = length;
    return song;
}

} // namespace testsupport
