// Audio archives of id Software's engines (AUDIOHED + AUDIOT, AUDIOHHD + AUDIO): probe, reader
// that sorts the chunks into their kinds, the songs inside, and replacing one song.
#pragma once

#include "HuffmanCoding.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

// What a chunk holds, by its section: the sections come from "!ID!" tags where there are some,
// else from the content (the songs at the end, the sounds before them in three equal parts).
enum class ChunkKind { PcSpeaker, AdLibSound, DigitisedSlot, Song, Tag };

// "PC speaker", "AdLib sound", "digitised slot", "song", "tag".
std::string ChunkKindText(ChunkKind kind);

struct ArchiveChunk {
    std::uint32_t offset = 0;        // the header's entry
    std::size_t stored = 0;          // bytes in the data file, tags after it included
    std::vector<std::uint8_t> bytes; // the chunk as the game reads it (expanded)
    std::size_t tagBytes = 0;        // "!ID!" tags after the chunk's own bytes
    ChunkKind kind = ChunkKind::PcSpeaker;
};

struct AudioArchive {
    bool huffman = false;
    std::vector<std::uint32_t> offsets; // the header: one per chunk and the end
    std::vector<ArchiveChunk> chunks;
    std::size_t tags = 0; // "!ID!" tags found in the chunks
};

// A song chunk taken apart: its 16-bit length, that many bytes of IMF records, the rest.
struct ArchiveSong {
    std::span<const std::uint8_t> records;
    std::span<const std::uint8_t> trailer;
    std::string name; // from the trailer: its first run of printable characters ("" if none)
};

// Whether the header's size fits a list of 32-bit offsets (at least one chunk and the end).
bool IsAudioArchiveHeader(std::span<const std::uint8_t> header);

// Reads the archive; Huffman-coded when a dictionary is given. Raises "ERROR: " and what is
// wrong for a header of the wrong size, and "ERROR: chunk N: ..." for a chunk whose offsets
// lie past the end of the data, whose coded bytes run out before its expanded length, go on
// past it, or are too few to hold that length, and for chunks that together expand past
// kMaxInputBytes (entries repeating one offset). Offsets of empty slots that point past later
// chunks are no error: a chunk whose next entry is not above its own is empty.
AudioArchive ReadAudioArchive(std::span<const std::uint8_t> header,
                              std::span<const std::uint8_t> data,
                              const HuffmanDictionary* dictionary);

// The song of a chunk of kind Song; nothing when its length runs past the chunk.
std::optional<ArchiveSong> SongOfChunk(const ArchiveChunk& chunk);

// The song's length in ticks: the sum of its records' delays.
std::uint64_t SongTicks(const ArchiveSong& song);

// The largest song a chunk holds: its 16-bit length.
inline constexpr std::size_t kMaxChunkSongBytes = 65535;

// The header and data file with chunk `index` holding the IMF records (no length word) in
// place of its song, the old chunk's trailer and tags kept, every other chunk the same bytes,
// the offsets after it moved by the change of size. Raises "ERROR: chunk N is not a song (KIND)"
// (or outside the archive), "ERROR: song of N bytes; a chunk holds at most 65535", and the coder's
// "ERROR: byte 0xNN is not in the Huffman dictionary".
struct ArchiveFiles {
    std::vector<std::uint8_t> header;
    std::vector<std::uint8_t> data;
};
ArchiveFiles ReplaceArchiveSong(const AudioArchive& archive, std::span<const std::uint8_t> data,
                                std::size_t index, std::span<const std::uint8_t> records,
                                const HuffmanDictionary* dictionary);
