// A song file as imftool handles it: loaded with its format, saved back in a chosen format.
#pragma once

#include "ImfFile.h"
#include "ImfSong.h"

#include <cstdint>
#include <string>

// How a song is stored: KMF with its rate, or IMF with or without a length word.
struct SongFormat {
    bool kmf = false;
    std::uint16_t rate = 0;  // KMF only; 0 stands for 560
    bool lengthWord = false; // IMF only
};

struct LoadedSong {
    TImfSong song;
    SongFileLayout layout = SongFileLayout::ImfHeaderless;
    SongFormat format; // the input's own format
};

// Loads the file; raises "ERROR: cannot read file: " + path when it cannot be read.
LoadedSong LoadSong(const std::string& path);

// Saves the song's channel lists in the given format.
void SaveSong(const TImfSong& song, const std::string& path, const SongFormat& format);

// The format a path's extension asks for: ".kmf" (any case) is KMF, anything else IMF.
bool IsKmfPath(const std::string& path);
