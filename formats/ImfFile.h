// IMF files: layout detection, the two readers and the writer of 4-byte register/value/delay
// records.
#pragma once

#include "ImfSong.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

class ByteReader;
struct TickedWrites;

// Which layout the loader recognised.
enum class SongFileLayout { ImfHeaderless, ImfLengthWord, Kmf };

// Reads the bytes into the song as IMF, with a length word where the records after a plausible
// one look like writes, else headerless. Raises "Error reading from stream" for data cut short
// (the writes before that have been interpreted).
SongFileLayout LoadImfBytes(TImfSong& song, std::span<const std::uint8_t> bytes);
// The same bytes read as plain writes at their ticks, without the song model's interpretation.
SongFileLayout LoadImfWrites(TickedWrites& song, std::span<const std::uint8_t> bytes);
// Reads the whole file as headerless IMF.
int LoadImf(TImfSong& song, const std::string& path);
// Reads the file as IMF with a length word.
int LoadChunk(TImfSong& song, const std::string& path);
// Resets the song and feeds it the records from the reader's position; `length` in bytes. A
// length that is negative or not a multiple of 4 reads on to the end of the stream.
int ReadImfData(TImfSong& song, ByteReader& stream, std::int32_t length);

// The song's channel lists as an IMF file; headerFlag 0: headerless (an all-zero record first),
// otherwise with a length word. Raises "ERROR: impossible delay value: " for a list out of time
// order. A gap above 65535 ticks is bridged with register 0 records, and the last record's delay
// keeps the song's length (globaltime).
std::vector<std::uint8_t> ImfBytes(const TImfSong& song, std::uint8_t headerFlag);
// The writes as an IMF file, write for write: each at its tick (the first one's too, after a
// register 0 record when that is not tick 0), the last delay keeping the song's length.
std::vector<std::uint8_t> ImfBytesOfWrites(const TickedWrites& song, std::uint8_t headerFlag);
// Writes ImfBytes to the path, replacing the file only once it is complete.
int SaveImf(const TImfSong& song, const std::string& path, std::uint8_t headerFlag);
