// The register dump: every write of the song's channel lists as a line of text.
#pragma once

#include "ImfSong.h"

// Writes ten sections, one per channel list, to standard output with PrintLine.
int Dump(const TImfSong& song);
