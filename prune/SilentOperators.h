// The silent operators of dropping unheard writes: operators at rest, found by a replay of the
// song. A half of DropUnheardWrites.
#pragma once

#include "WriteOrder.h"

#include <cstdint>
#include <vector>

// Replays the writes (the writers' order, times in ticks) as RenderWrites plays them, without
// keeping the samples, and flags each write that no sample needs: a level (0x40..0x55),
// envelope (0x60..0x95, and 0x20..0x35 where only tremolo, envelope type or key scaling
// change) or waveform (0xE0..0xF5) write to an operator whose output stays
// silence from that write until the register is written again, with the value before it as with
// its own. Envelope writes need the envelope fully off and no key-on of the channel in between
// (a key-on reads the rates); a waveform write needs both waveforms other than the sine, whose
// resting output is a one-step square wave. The value before a flagged write stays in force
// for the next write of its register, so that all flagged writes can go together.
std::vector<bool> FindSilentOperatorWrites(const std::vector<TimedWrite>& writes, int tickRate,
                                           std::int32_t songLength);
