// A Standard MIDI File played on one OPL2's nine channels with a bank's instruments.
#pragma once

#include "InstrumentBank.h"
#include "MidiReader.h"
#include "TickRate.h"
#include "TickedWrites.h"

#include <array>
#include <cstdint>
#include <vector>

struct ComposeSettings {
    int tickRate = kDefaultTickRate;
    bool freeChannel0 = false; // channel 0 left to the game's sound effects
};

// A sounding note taken for a new one.
struct ComposeSteal {
    std::int32_t tick;
    int channel; // the chip's
    int stolenMidiChannel, stolenKey;
    int midiChannel, key; // of the note that took it
};

struct ComposeReport {
    std::int64_t notes = 0;   // note-ons
    std::int64_t started = 0; // note-ons that started a note
    std::int64_t drumNotes = 0, drumsStarted = 0;
    std::int64_t drumsSkipped = 0; // drum keys the bank lacks
    std::vector<ComposeSteal> steals;
    std::array<std::int64_t, 16> notesPerChannel{}; // note-ons by MIDI channel (0..15)
    bool waveformSelect = false; // whether an instrument played needs waveforms beyond sine
};

// The song's writes at ticks of the rate: each event at round(time * rate) (halves up), the
// length that of the MIDI's last event. A note takes a free channel that last played its
// instrument, else the free channel released longest ago, else a sounding one (the note held
// only by the pedal that was released longest ago, else the oldest note; never one that started
// in the same tick, nor a held note of the same MIDI channel and key); with none, it tries again
// one tick later (unless its key went up first), then it is dropped.
// A double-voice instrument's second voice plays where a channel is free. Channel 10 plays the
// bank's percussion at its fixed notes. Raises "ERROR: song longer than 2147483647 ticks".
TickedWrites ComposeMidi(const MidiSong& song, const InstrumentBank& bank,
                         const ComposeSettings& settings, ComposeReport& report);
