// A song file as imftool handles it: loaded with its format, saved back in a chosen format.
#pragma once

#include "ImfFile.h"
#include "ImfSong.h"
#include "SongFormats.h"
#include "SongSource.h"
#include "TickRate.h"
#include "Track.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// How a song is stored: KMF with its rate, or IMF with or without a length word.
struct SongFormat {
    SongFileKind kind = SongFileKind::Imf; // IMF or KMF
    std::uint16_t rate = 0;                // KMF only; 0 stands for 560
    bool lengthWord = false;               // IMF only
};

struct LoadedSong {
    TImfSong song;
    SongFileLayout layout = SongFileLayout::ImfHeaderless;
    SongFormat format;         // the input's own format (IMF for a capture)
    SongSource source;         // the file as read, with its format
    int tickRate = 0;          // the song's ticks per second (SongSource::TickRate)
    std::size_t fileBytes = 0; // the size of the input
};

// Reads the file in any format the tools know; raises "ERROR: cannot read file: " + path when
// it cannot be read, and the reader's errors.
SongSource ReadSong(const std::string& path);

// Loads the file into the song model at its tick rate (explicitRate when above 0; see
// ChooseTickRate for the rest, outputPath being where the song will be written, if anywhere).
LoadedSong LoadSong(const std::string& path, int explicitRate = 0,
                    const std::string& outputPath = "");
// The same for a file's bytes, read before; the format is told by the bytes, never by the path.
LoadedSong LoadSongBytes(std::vector<std::uint8_t> bytes, const std::string& path,
                         int explicitRate = 0, const std::string& outputPath = "");

// Saves the song's channel lists in the given format (IMF or KMF).
std::size_t SaveSong(const TImfSong& song, const std::string& path, const SongFormat& format);

// Writes the track alone on channel 0 as a headerless IMF file, after the song's chip-wide
// writes `globals`.
void SaveTrack(const TTrack& track, const TInstructionList& globals, const std::string& path);

// Prepares a run whose output path is `output`: "-" keeps standard output for the song's bytes
// (reports go to standard error then), and an output that is one of the inputs is refused
// unless `sameKind` (a song edited in place).
void PrepareOutput(const std::string& output, const std::vector<std::string>& inputs,
                   bool sameKind);

// Says so on standard error when an IMF output will not play at the song's rate: IMF has no
// rate field, and a player takes 560, or 700 for .wlf.
void WarnOfImfRate(const std::string& path, int tickRate);

// Writes the writes, write for write, in the format of the path's extension (FormatOfOutputPath).
std::size_t SaveWrites(const TickedWrites& writes, const std::string& path,
                       const OutputSettings& settings);
