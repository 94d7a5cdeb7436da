// The song file formats, one row each: name, extensions, probe, reader and writer. A file's
// format is decided here, by its content; an output's by its extension.
#pragma once

#include "Capture.h"
#include "ImfFile.h"
#include "ImfSong.h"
#include "TickRate.h"
#include "TickedWrites.h"

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class SongFileKind { Imf, Kmf, Dro, Raw, Vgm, Vgz };

// What a conversion writes besides the writes: the rate and the format's own details.
struct OutputSettings {
    int tickRate = kDefaultTickRate;
    std::uint16_t kmfRate = 0; // 0: the tick rate
    bool lengthWord = false;
    std::string title;             // VGM: the GD3 tag's title
    std::vector<std::uint8_t> tag; // VGM: a whole GD3 tag, written when there is no title
};

struct SongFileFormat {
    SongFileKind kind;
    const char* name;
    std::array<std::string_view, 2> extensions; // lower case; "" for none
    // Whether the bytes are of this format; IMF has no magic and takes what no other row claims.
    bool (*probe)(std::span<const std::uint8_t> bytes);
    // IMF and KMF, which keep ticks: the file into the song model, or as its plain writes.
    SongFileLayout (*loadSong)(TImfSong& song, std::span<const std::uint8_t> bytes);
    SongFileLayout (*loadWrites)(TickedWrites& song, std::span<const std::uint8_t> bytes);
    // Captures: the chip log in its own time units.
    Capture (*readCapture)(std::span<const std::uint8_t> bytes);
    // The writes, write for write, as a file of this format; null where it is only read.
    std::vector<std::uint8_t> (*write)(const TickedWrites& writes, const OutputSettings& settings);
    // IMF and KMF: the song model's channel lists in the order the writers use.
    std::vector<std::uint8_t> (*writeSong)(const TImfSong& song, const OutputSettings& settings);
    // The units per second in which the format keeps time; 0 where it keeps the song's ticks.
    int timeUnits;
};

// Every row, IMF last.
std::span<const SongFileFormat> SongFileFormats();
const SongFileFormat& SongFileFormatOf(SongFileKind kind);
// The first row whose probe claims the bytes; IMF for anything else.
const SongFileFormat& FormatOfBytes(std::span<const std::uint8_t> bytes);
// The written format whose extension the path has (any case); IMF for any other path.
const SongFileFormat& FormatOfOutputPath(const std::string& path);

// Reads the bytes into the song: KMF by its magic, anything else as IMF with or without a
// length word. Raises "Error reading from stream" for data cut short (the writes before that
// have been interpreted).
SongFileLayout LoadFromBytes(TImfSong& song, std::span<const std::uint8_t> bytes);
// The same bytes read as plain writes at their ticks, without the song model's interpretation.
SongFileLayout LoadWritesFromBytes(TickedWrites& song, std::span<const std::uint8_t> bytes);
// The same for a file; raises "ERROR: cannot read file: " + path when it cannot be read.
SongFileLayout LoadFile(TImfSong& song, const std::string& path);
