// Cutting a song's nine channel lists into notes and filing the notes into tracks of one timbre.
#pragma once

#include "ImfSong.h"
#include "Track.h"

// Reads channel lists 1..9 (never the chip-wide list 0, so percussion is not split) and returns
// the tracks in creation order; the song is not changed. The timbre writes a channel receives
// between notes are folded into the channel's state and re-emitted in front of its next note.
// With `grouping` not 0, the writes of one tick on one channel are handled as a group and
// unused key-offs and concurrent key-ons are reported; with 0 they are taken one at a time.
TTrackList SplitIntoTracks(const TImfSong& song, int grouping);
