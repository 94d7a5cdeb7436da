// The optimize pass: split into tracks, deal them out again, keep the result if it is smaller.
#pragma once

#include "ImfSong.h"
#include "Track.h"

#include <cstdint>
#include <functional>

// Shows a track list and returns when the user leaves it. The program hands in the viewer;
// an empty hook shows nothing, so batch tools need no window.
using TrackViewer = std::function<void(const TTrackList&)>;

// Splits the song (with `grouping`), shows the tracks, allocates them (with `reserved` and
// `depth`) and, when the new allocation needs fewer writes or `force` is not 0, replaces the
// song's ten channel lists with it; nothing else of the song changes. Returns old count minus
// new count when replaced, else 0 after a notice that the optimisation was cancelled.
int Optimize(TImfSong& song, std::uint8_t reserved, int depth, int grouping, std::uint8_t force,
             const TrackViewer& trackViewer = {});
