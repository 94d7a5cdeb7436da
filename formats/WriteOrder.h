// The order in which the writers put a song's writes on disk: one time-ordered stream.
#pragma once

#include "ImfSong.h"

#include <cstdint>
#include <vector>

// One write with its real register number and its song time.
struct TimedWrite {
    std::int32_t time = 0;
    std::uint8_t reg = 0;
    std::uint8_t val = 0;
};

// Merges the ten channel lists into one stream: the smallest time first; on equal times the
// lower list index, except that two writes which both came from the input (index above 0) keep
// their input order. Registers of lists 1..9 are turned back into real ones for their channel.
std::vector<TimedWrite> MergeChannelLists(const TImfSong& song);
