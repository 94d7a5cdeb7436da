// The register rules of dropping unheard writes: what the register values alone show cannot
// change a sample of the chip's output, in one pass. A half of DropUnheardWrites.
#pragma once

#include "ImfSong.h"
#include "UnheardWrites.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <span>
#include <vector>

// One write of a stream, in the order the writes reach the chip. Writes with equal times reach
// it with no sample made between them, whatever the unit (song ticks, capture samples).
struct StreamWrite {
    std::int64_t time;
    std::uint8_t reg;
    std::uint8_t val;
};

constexpr std::size_t kNoLoop = std::numeric_limits<std::size_t>::max();

// Which writes of a stream stay, one flag per write, and how many each rule dropped:
// - a value the register already holds, in the bits the chip has (the first write of a register
//   stays);
// - a write that a later write of the same time replaces, unless it changes a key bit (a key-on
//   or key-off is an event, not a value) or a key-on or key-off of the channel the register
//   belongs to comes in between or is that later write: emulators and the chip read operator
//   and channel settings at key events, some of them the values of the moment before the
//   event's own write;
// - writes to the timers (unless options.keepTimers), to register 0 and to registers the chip
//   lacks.
// `silent`, when not empty, holds one flag per write: flagged writes go too, and what they leave
// repeated afterwards. Before write `forgetAt` (a loop point) the pass forgets every register,
// so that a second time round plays as the first.
struct StreamDrops {
    DropCounts counts;
    std::vector<bool> keep;
};
StreamDrops FindInaudibleWrites(std::span<const StreamWrite> writes,
                                const InaudibleOptions& options,
                                const std::vector<bool>& silent = {},
                                std::size_t forgetAt = kNoLoop);

// The same rules on a song's channel lists, read in the order the writers put them on disk;
// the writes that go are removed from the lists. Notes stay on their channels and the song's
// length is untouched.
DropCounts DropInaudibleWrites(TImfSong& song, const InaudibleOptions& options,
                               const std::vector<bool>& silent = {});
