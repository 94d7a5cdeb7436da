// Standard MIDI Files (type 1) made from a song's voices.
#pragma once

#include "SongVoices.h"

#include <cstdint>
#include <vector>

// One MIDI tick lasts exactly one song tick: division / tempo = rate / 1,000,000. With
// g = gcd(rate, 1,000,000) both are whole multiples k of rate / g and 1,000,000 / g; k is the
// largest that keeps a quarter note at 500,000 us (120 bpm) or shorter and the division within
// 15 bits, and at least 1. Raises "ERROR: no exact MIDI tempo for N ticks per
// second" when even k = 1 gives a division above 32,767.
struct MidiTempo {
    int division; // ticks per quarter note
    std::uint32_t microsecondsPerQuarter;
};
MidiTempo ChooseMidiTempo(int tickRate);

// The velocity of a carrier's total level (0 loudest, 63 softest): 127 - 2 * level.
int VelocityOfLevel(int level);

// A tempo track, then one track per voice that has notes: channels 0..8 on MIDI channels 1..9,
// the percussion on channel 10 with the General MIDI drum notes of DrumNote. Each track
// starts with its name and the RPN that sets the pitch-bend range to +-2 semitones. A melodic
// note plays the key nearest its pitch, bent to the exact pitch at key-on and at each change
// (bends beyond the range stop at its end); a program change (with a bank select when there
// are more than 128 timbres) precedes each change of timbre, numbered as in SongBank.
std::vector<std::uint8_t> MidiBytes(const SongVoices& voices, int tickRate);
