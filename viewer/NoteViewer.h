// The note-list viewer: a window of notes as bars on a time line, one row per list of notes.
#pragma once

#include "ImfSong.h"
#include "NoteRows.h"
#include "TickRate.h"
#include "Track.h"
#include "ViewerPlayback.h"

#include <cstdint>
#include <vector>

// The state of one viewer window; every window starts afresh from InitialViewerState. All
// quantities are 32-bit ticks, pixels or row counts; a tick t lies at x = (t - start) / scale,
// truncated towards zero, so notes left of the window get negative x.
struct TViewerState {
    std::int32_t width = 1;         // W: client width, read once after opening
    std::int32_t height = 0;        // H: client height
    std::int32_t length = 0;        // the right end of the time line, in ticks
    std::int32_t start = 0;         // S: tick at the left edge
    std::int32_t ticksPerPixel = 1; // T
    std::int32_t scrollLimit = 0;   // L = length - W * T; Right and End stop there (may be < 0)
    std::int32_t firstRow = 0;      // F: rows scrolled off the top
    std::int32_t lastFirstRow = 0;  // upper bound of F: the last row is then visible
    bool difference = false;        // bar height shows timbre changes against the previous note
    std::vector<bool> mutedRows;    // rows whose voices are silenced, drawn grey
};

// The whole song fitted to the width, at tick 0, on the first row.
TViewerState InitialViewerState(std::int32_t width, std::int32_t height, std::size_t rowCount,
                                std::int32_t length);

// Draws one frame of rows (not shown yet) with the pointer at (px, py); returns the note under
// the pointer, if any, for which it has drawn the info box.
const TNote* DrawNoteFrame(const TNoteRows& rows, const TViewerState& state, int px, int py);

// Answers the keys of one frame; returns true when Escape asks to leave. F12 ends the program.
bool HandleViewerKeys(const TNoteRows& rows, TViewerState& state);

// Opens a window over the rows and runs until Escape or a close request; returns 0. F12 raises
// ImfError::Exit(0): the program ends at once and nothing is saved. With a playback, Space
// starts playing from the window's start tick and stops again; while it plays, a thin line
// marks the tick being heard and the window follows it, and the digit keys 1 to 9 mute and
// unmute the voices of the rows shown first to ninth (`rowVoices`, one set per row), whose
// bars turn grey.
int ViewNoteLists(const TNoteRows& rows, std::int32_t length, ViewerPlayback* playback = nullptr,
                  const std::vector<VoiceSet>& rowVoices = {});

// The voices of the rows of ChannelRows (the first row, the chip-wide list, holds the drums)
// and of VoiceRows.
std::vector<VoiceSet> ChannelRowVoices();
std::vector<VoiceSet> VoiceRowVoices();

// The song's notes rebuilt from its ten channel lists, one row per list; Space plays the song
// at `tickRate` ticks per second.
int View(const TImfSong& song, int tickRate = kDefaultTickRate);
// The song's interpreted notes, one row per voice; Space plays the song.
int ViewNotes(const TImfSong& song, int tickRate = kDefaultTickRate);
// The optimizer's tracks, one row per track.
int ViewTracks(const TTrackList& tracks);
