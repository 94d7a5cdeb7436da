// Feeds register writes and delays to a song as a reader would, for tests.
#pragma once

#include "ImfSong.h"

#include <cstdint>
#include <initializer_list>
#include <utility>

namespace testsupport {

// The timbre of a sustained tone on channel 0 as (register, value): the carrier at full
// volume, the modulator silent, a quick attack and a release of about half a second.
inline constexpr std::pair<std::uint8_t, std::uint8_t> kToneTimbre[] = {
    {0x20, 0x21}, {0x23, 0x21}, {0x40, 0x3F}, {0x43, 0x00},
    {0x60, 0xF0}, {0x63, 0xF0}, {0x80, 0x07}, {0x83, 0x07}};

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

// Starts the song (InitRead) with kToneTimbre on the operators of the channel whose modulator
// is at slot offset `slot` (0 for channel 0).
inline void StartWithToneTimbre(TImfSong& song, int slot = 0) {
    song.InitRead();
    for (auto [reg, val] : kToneTimbre)
        song.ProcessCommand(static_cast<std::uint8_t>(reg + slot), val);
}

// Continues an already started song.
inline void FeedMore(TImfSong& song, std::initializer_list<Write> writes) {
    for (const Write& w : writes) {
        song.ProcessCommand(w.reg, w.val);
        song.ProcessPause(w.delay);
    }
}

} // namespace testsupport
