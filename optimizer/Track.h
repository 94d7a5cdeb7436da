// TTrack: a time-ordered run of whole notes of one timbre, the unit the optimizer moves.
#pragma once

#include "Instruction.h"
#include "Timbre.h"

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

class TTrack;
using TrackRef = std::shared_ptr<TTrack>;
using TTrackList = std::vector<TrackRef>;

// Every note of a track begins with the twelve timbre writes and its key-on, carries the writes
// made while it sounds and ends with its key-off, so any free channel can play the track. Clones
// share the instruction objects: only the list of references is copied.
class TTrack {
public:
    TTrack() { timbre.InitUndefined(); }

    TTimbre timbre;                // what the track's own writes have set so far
    TInstructionList instructions; // neutral registers, oldest first
    // While building: the time of the last write added. While allocating: the time of the
    // next pending write (the start of the next note).
    std::int32_t globaltime = 0;

    // Appends a write; raises "ERROR: time travel paradox" for a time before the last one.
    int AddInstruction(std::uint8_t reg, std::uint8_t val, std::int32_t time);
    // Appends the twelve timbre writes of `source`, all at `time` (0xA0 last); an undefined
    // field is written as 0.
    int ApplyTimbre(const TTimbre& source, std::int32_t time);
    // An independent track sharing the instruction objects.
    TrackRef Clone() const;
    // Ticks from the first key-on to the key-off after it, or -1.
    std::int32_t GetNoteLength() const;
};

TTrackList CloneTrackList(const TTrackList& list);
// The non-empty track with the smallest `globaltime`, or null. On equal times the first in list
// order wins, unless a later one's next note has length 0 (then the last such one wins).
TTrack* FindEarliestTrack(const TTrackList& list);

// FindEarliestTrack for a track list whose tracks change only through Update after each note
// sent from one of them: the same choice, found in logarithmic time instead of a walk over all
// tracks per note (a song whose every note has its own timbre has one track per note).
class EarliestTrackQueue {
public:
    explicit EarliestTrackQueue(const TTrackList& list);
    // What FindEarliestTrack gives for the list as it stands now.
    TTrack* Earliest() const;
    // Takes in the track's new state after a change of its instructions or its time.
    void Update(TTrack* track);

private:
    // Time first; on equal times the tracks whose next note has length 0 first, the last of them
    // before the others; then the rest in list order.
    using Key = std::tuple<std::int32_t, int, std::int64_t>;
    Key KeyOf(std::size_t position) const;

    const TTrackList& list_;
    std::set<Key> order_;
    std::vector<Key> keys_; // each track's key in order_
    std::vector<bool> queued_;
    std::unordered_map<const TTrack*, std::size_t> positions_;
};
