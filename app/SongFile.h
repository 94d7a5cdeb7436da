// A song file as imftool handles it: loaded with its format, saved back in a chosen format.
#pragma once

#include "ImfFile.h"
#include "ImfSong.h"
#include "SongSource.h"

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
    SongFormat format; // the input's own format (IMF for a capture)
    SongSource source; // the file as read, with its format
    int tickRate = 0;  // the song's ticks per second (SongSource::TickRate)
};

// Reads the file in any format the tools know; raises "ERROR: cannot read file: " + path when
// it cannot be read, and the reader's errors.
SongSource ReadSong(const std::string& path);

// Loads the file into the song model at its tick rate (explicitRate when above 0; see
// ChooseTickRate for the rest, outputPath being where the song will be written, if anywhere).
LoadedSong LoadSong(const std::string& path, int explicitRate = 0,
                    const std::string& outputPath = "");

// Saves the song's channel lists in the given format.
void SaveSong(const TImfSong& song, const std::string& path, const SongFormat& format);

// The format a path's extension asks for: ".kmf" (any case) is KMF, anything else IMF.
bool IsKmfPath(const std::string& path);

// The kinds of file that a song can be written as, by the output's extension.
enum class OutputKind { Imf, Kmf, Vgm, Vgz, Dro };
OutputKind OutputKindOfPath(const std::string& path);

// What a conversion writes besides the writes: the rate and the format's own details.
struct OutputSettings {
    int tickRate = 560;
    std::uint16_t kmfRate = 0; // 0: the tick rate
    bool lengthWord = false;
    std::string title; // VGM: the GD3 tag's title
};

// Writes the writes, write for write, in the format of the path's extension: .vgm VGM 1.51,
// .vgz the same gzip-compressed, .dro DRO version 2, .kmf KMF, anything else IMF.
void SaveWrites(const TickedWrites& writes, const std::string& path,
                const OutputSettings& settings);
