// KMF files: magic, rate, and blocks of same-tick writes each followed by a short pause.
#pragma once

#include "ImfFile.h"
#include "ImfSong.h"
#include "KmfBlock.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

class ByteReader;

// Whether the bytes begin with the KMF magic "KMF", 0x1A.
bool IsKmf(std::span<const std::uint8_t> bytes);
// Reads a KMF file's blocks into the song. Raises "Error reading from stream" for data cut short
// (the writes before that have been interpreted).
SongFileLayout LoadKmfBytes(TImfSong& song, std::span<const std::uint8_t> bytes);
// The same blocks as plain writes at their ticks.
SongFileLayout LoadKmfWrites(TickedWrites& song, std::span<const std::uint8_t> bytes);

// Resets the song and feeds it the blocks; the reader stands at the size field (offset 6).
int ReadKMFData(TImfSong& song, ByteReader& stream);

// The song's channel lists as a chain of blocks, and the size of their data in bytes. Pauses
// above 255 ticks are spread over blocks without writes; after the last write the rest of the
// song's length (globaltime) follows as pauses, and the last block has pause 0. Once the size
// passes 65535 bytes, too much for a KMF file, the chain stops growing (a long silence would
// otherwise take millions of blocks) and only the size is counted on.
std::unique_ptr<TKMFBlock> BuildKMFBlocks(const TImfSong& song, std::int64_t& size);
// The song as a KMF file with the given rate (0 stands for 560). Raises "ERROR: KMF data too
// large: " when the block data does not fit the 16-bit size field.
std::vector<std::uint8_t> KmfBytes(const TImfSong& song, std::uint16_t rate);
// A safeguard for a KMF file in memory: when its data is not `size` bytes long, shows the notice
// "bad KMF size!" with both numbers and sets the size field to the data's length.
void MendKmfSize(std::vector<std::uint8_t>& bytes, std::int64_t size);
// Writes KmfBytes to the path, replacing the file only once it is complete.
int SaveKMF(const TImfSong& song, const std::string& path, std::uint16_t rate);
// The rate of a KMF file (560 when its field is 0), or 0 when the file is not KMF.
std::uint16_t GetKMFRate(const std::string& path);
// The same for a file's bytes in memory.
std::uint16_t KmfRate(std::span<const std::uint8_t> bytes);
