// Dropping the writes that cannot change a sample of the chip's output, in one pass.
#pragma once

#include "ImfSong.h"

#include <array>
#include <cstdint>
#include <vector>

struct InaudibleOptions {
    // Keeps the timer registers 0x02..0x04 for players that read the timer flags.
    bool keepTimers = false;
};

// How many writes each rule dropped.
struct DropCounts {
    std::int64_t repeated = 0;    // the register already holds the value
    std::int64_t overwritten = 0; // written again in the same tick, before any sample is made
    std::int64_t ignoredBits = 0; // changes only bits the chip does not have
    std::int64_t unreachable = 0; // timers, register 0 and register numbers the chip lacks
    std::int64_t silent = 0;      // marked silent by the caller (a replay of the song)

    std::int64_t Total() const {
        return repeated + overwritten + ignoredBits + unreachable + silent;
    }
    DropCounts& operator+=(const DropCounts& other);
};

// Removes from the channel lists the writes that no sample can hear, deciding in the order the
// writers put the writes on disk, in one pass:
// - a value the register already holds, in the bits the chip has (the first write of a register
//   stays);
// - a write that a later write of the same tick replaces, unless it changes a key bit (a key-on
//   or key-off is an event, not a value) or a key-on in between reads it: the attack and decay
//   rates, the key-scale bit and the block and frequency of its channel, or the note select of
//   0x08, which the key-on latches into the envelope;
// - writes to the timers (unless options.keepTimers) and to registers the chip lacks.
// `silent`, when not empty, holds one flag per write in that order: flagged writes go too, and
// what they leave repeated afterwards. Notes stay on their channels and the song's length is
// untouched.
DropCounts DropInaudibleWrites(TImfSong& song, const InaudibleOptions& options,
                               const std::vector<bool>& silent = {});

// Keeps in each channel list only the writes whose flag in `keep` (one vector per list, one flag
// per write) is set; returns the number removed.
std::int64_t KeepFlaggedWrites(TImfSong& song, const std::array<std::vector<bool>, 10>& keep);
