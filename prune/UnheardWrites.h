// Dropping the writes that no sample can hear: the register rules (RegisterRules.h) and
// operators at rest found by a replay (SilentOperators.h), behind one entry point.
#pragma once

#include "ImfSong.h"
#include "TickedWrites.h"

#include <cstdint>

struct InaudibleOptions {
    // Keeps the timer registers 0x02..0x04 for players that read the timer flags.
    bool keepTimers = false;
};

// How many writes each rule dropped.
struct DropCounts {
    std::int64_t repeated = 0;     // the register already holds the value
    std::int64_t overwritten = 0;  // written again in the same tick, before any sample is made
    std::int64_t ignoredBits = 0;  // changes only bits the chip does not have
    std::int64_t timers = 0;       // the timers 0x02..0x04, which make no sound
    std::int64_t absent = 0;       // register numbers the OPL2 does not have
    std::int64_t registerZero = 0; // records of register 0, which is no register
    std::int64_t silent = 0;       // marked silent by the caller (a replay of the song)

    std::int64_t Total() const {
        return repeated + overwritten + ignoredBits + timers + absent + registerZero + silent;
    }
    DropCounts& operator+=(const DropCounts& other);
};

// DropInaudibleWrites, then, when `deep`, a replay at tickRate whose silent operator writes go
// with what they leave repeated, again as long as that leaves more to find. Songs too long to
// render get no replay. Returns the drops of all rounds.
DropCounts DropUnheardWrites(TImfSong& song, const InaudibleOptions& options, int tickRate,
                             bool deep);

// The same on a file's own stream of writes, times in units of which unitsPerSecond make a
// second: the writes that go are removed (the loop point follows its write) and the records the
// stream left out (register 0, registers the OPL2 lacks) are counted among the drops. A song
// with a loop point gets no replay: its second time round starts from other register values.
DropCounts DropUnheardWrites(TickedWrites& song, const InaudibleOptions& options,
                             int unitsPerSecond, bool deep);
