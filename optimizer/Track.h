// TTrack: a time-ordered run of whole notes of one timbre, the unit the optimizer moves.
#pragma once

#include "Instruction.h"
#include "Timbre.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TTrack;
using TrackRef = std::shared_ptr<TTrack>;
using TTrackList = std::vector<TrackRef>;

class TTrack {
public:
    TTrack() { timbre.InitUndefined(); }

    TTimbre timbre;                 // what the track's own writes have set so far
    TInstructionList instructions;  // neutral registers, oldest first
    std::int32_t globaltime = 0;

    // Appends a write; raises "ERROR: time travel paradox" for a time before the last one.
    int AddInstruction(std::uint8_t reg, std::uint8_t val, std::int32_t time);
    // Appends the twelve timbre writes of `source`, all at `time` (0xA0 last).
    int ApplyTimbre(const TTimbre& source, std::int32_t time);
    // Writes the track alone on channel 0, with `globals` as the chip-wide writes (may be null).
    int SaveToImf(const std::string& path, const TInstructionList* globals) const;
    // An independent track sharing the instruction objects.
    TrackRef Clone() const;
    // Ticks from the first key-on to the key-off after it, or -1.
    std::int32_t GetNoteLength() const;
};

TTrackList CloneTrackList(const TTrackList& list);
// The track whose pending instructions begin earliest (ties: see the implementation), or null.
TTrack* FindEarliestTrack(const TTrackList& list);
