// The faithful mode on a song file's own writes: nothing interpreted, every kept write in the
// file's order, and a capture written as a capture in its own clock.
#pragma once

#include "OptimizeModes.h"
#include "SongFile.h"
#include "SongSource.h"
#include "TickedWrites.h"

#include <cstdint>

struct FaithfulCopy {
    TickedWrites writes;     // what stays, with the loop point, in the time units of `output`
    OutputSettings output;   // those units as its tick rate, the KMF rate, a VGM's tag
    std::int64_t before = 0; // the records the file holds
    DropCounts counts;       // before less the writes kept
};

// Drops from the source's writes what no sample can hear, for a file of `kind`. A capture
// written as a capture (VGM or VGZ, DRO) keeps its times in that format's units: exactly its
// own when the kinds match. Everything else is in ticks of tickRate.
FaithfulCopy CopyFaithfully(const SongSource& source, int tickRate, SongFileKind kind,
                            const DropSettings& drop);
