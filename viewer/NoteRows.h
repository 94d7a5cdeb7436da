// The rows of the note viewer: notes rebuilt from instruction lists, channel lists and tracks.
#pragma once

#include "ImfSong.h"
#include "Note.h"
#include "Track.h"

#include <cstdint>
#include <vector>

// One row of bars per entry, in order; the notes of a row ascend in start time.
using TNoteRows = std::vector<TNoteList>;

// Replays a time-ordered list of writes into new notes: a key-on opens a note (timbre = the
// writes seen so far), writes while it is open become its extras, a key-off closes it; a key-off
// without an open note prints "unused KeyOff". Raises `maxtime` to the latest write time seen.
TNoteList InstructionsToNotes(const TInstructionList& instructions, std::int32_t& maxtime);

// One row per channel list (ten rows); `length` receives the latest write time of all lists.
TNoteRows ChannelRows(const TImfSong& song, std::int32_t& length);
// One row per track, in list order; `length` receives the latest write time of all tracks.
TNoteRows TrackRows(const TTrackList& tracks, std::int32_t& length);
// Fifteen rows, voices 0 to 14 (channels 0..8, then percussion slots; no note has voice 14),
// with the song's interpreted notes in song order; `length` receives the latest end time, or 0.
TNoteRows VoiceRows(const TImfSong& song, std::int32_t& length);
