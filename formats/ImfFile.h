// IMF files: layout detection, the two readers and the writer of 4-byte register/value/delay records.
#pragma once

#include "ImfSong.h"

#include <cstdint>
#include <string>

class ByteReader;

// Which layout LoadFile recognised.
enum class SongFileLayout { None, ImfHeaderless, ImfLengthWord, Kmf };

// Reads a file into the song: KMF by its magic, otherwise IMF with or without a length word.
// Raises "ERROR: cannot read file: " + path for a file that exists but cannot be opened.
SongFileLayout LoadFile(TImfSong& song, const std::string& path);
// Reads the whole file as headerless IMF.
int LoadImf(TImfSong& song, const std::string& path);
// Reads the file as IMF with a length word.
int LoadChunk(TImfSong& song, const std::string& path);
// Resets the song and feeds it the records from the reader's position; `length` in bytes.
int ReadImfData(TImfSong& song, ByteReader& stream, std::int32_t length);
// Writes the channel lists as IMF; headerFlag 0: headerless, otherwise with a length word.
int SaveImf(const TImfSong& song, const std::string& path, std::uint8_t headerFlag);
