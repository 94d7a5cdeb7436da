// KMF files: magic, rate, and blocks of same-tick writes each followed by a short pause.
#pragma once

#include "ImfSong.h"

#include <cstdint>
#include <string>

class ByteReader;

// Resets the song and feeds it the blocks; the reader stands at the size field (offset 6).
int ReadKMFData(TImfSong& song, ByteReader& stream);
// Writes the channel lists as KMF with the given rate (0 stands for 560).
int SaveKMF(const TImfSong& song, const std::string& path, std::uint16_t rate);
// The rate of a KMF file (560 when its field is 0), or 0 when the file is not KMF.
std::uint16_t GetKMFRate(const std::string& path);
