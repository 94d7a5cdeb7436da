// A song file as imftool handles it: loaded with its format, saved back in a chosen format.
#pragma once

#include "ImfFile.h"
#include "ImfSong.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// How a song is stored: KMF with its rate, or IMF with or without a length word.
struct SongFormat {
    bool kmf = false;
    std::uint16_t rate = 0;  // KMF only; 0 stands for 560
    bool lengthWord = false; // IMF only
};

struct LoadedSong {
    TImfSong song;
    SongFileLayout layout = SongFileLayout::ImfHeaderless;
    SongFormat format;         // the input's own format
    std::size_t fileBytes = 0; // the size of the input
};

// Loads the file ("-": standard input); raises "ERROR: cannot read file: " + path when it
// cannot be read.
LoadedSong LoadSong(const std::string& path);
// Loads a file's bytes, read before; the format is told by the bytes, never by the path.
LoadedSong LoadSongBytes(std::span<const std::uint8_t> bytes);

// Saves the song's channel lists in the given format ("-": to standard output); returns the
// number of bytes written.
std::size_t SaveSong(const TImfSong& song, const std::string& path, const SongFormat& format);

// Prepares a run whose output path is `output`: "-" keeps standard output for the song's bytes
// (reports go to standard error then), and an output that is one of the inputs is refused
// unless `sameKind` (a song edited in place).
void PrepareOutput(const std::string& output, const std::vector<std::string>& inputs,
                   bool sameKind);

// The format a path's extension asks for: ".kmf" (any case) is KMF, anything else IMF.
bool IsKmfPath(const std::string& path);
