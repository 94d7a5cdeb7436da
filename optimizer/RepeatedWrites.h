// Dropping writes that only repeat a register's current value: the song sounds exactly the same.
#pragma once

#include "ImfSong.h"

#include <cstdint>

// The timer control register: its writes act on the chip's timers whatever the value, so
// they are never dropped.
constexpr std::uint8_t kTimerControlReg = 0x04;

// Removes from the channel lists every write whose register already holds its value, deciding
// in the order the writers put the writes on disk. The first write of each register stays, and
// every write of kTimerControlReg. Notes stay on their channels, and the song's length
// (globaltime) and its notes are untouched. Returns the number of writes removed.
std::int64_t DropRepeatedWrites(TImfSong& song);
