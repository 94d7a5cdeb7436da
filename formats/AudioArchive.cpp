#include "AudioArchive.h"

#include "ByteWriter.h"
#include "FileBytes.h"
#include "ImfError.h"
#include "RegisterMap.h"

#include <algorithm>
#include <limits>

namespace {
constexpr std::uint8_t kTag[4] = {'!', 'I', 'D', '!'};

std::uint16_t U16At(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}

std::uint32_t U32At(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(U16At(bytes, at)) |
           static_cast<std::uint32_t>(U16At(bytes, at + 2)) << 16;
}

bool EndsWithTag(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 4 && std::equal(kTag, kTag + 4, bytes.end() - 4);
}

// How many bytes of "!ID!" tags end the bytes.
std::size_t TrailingTagBytes(std::span<const std::uint8_t> bytes) {
    std::size_t tags = 0;
    while (EndsWithTag(bytes.first(bytes.size() - tags)))
        tags += 4;
    return tags;
}

[[noreturn]] void ChunkError(std::size_t index, const std::string& what) {
    throw ImfError("ERROR: chunk " + std::to_string(index) + ": " + what);
}

// Where each chunk's stored bytes end: at the next entry, or before that at the start of the
// next chunk that holds something, so that offsets of empty slots pointing into later data
// never make a chunk overlap another. 0 marks an empty chunk.
std::vector<std::uint32_t> ChunkEnds(const std::vector<std::uint32_t>& offsets) {
    const std::size_t count = offsets.size() - 1;
    std::vector<std::uint32_t> starts{offsets[count]};
    for (std::size_t i = 0; i < count; ++i) {
        if (offsets[i + 1] > offsets[i])
            starts.push_back(offsets[i]);
    }
    std::sort(starts.begin(), starts.end());
    std::vector<std::uint32_t> ends(count, 0);
    for (std::size_t i = 0; i < count; ++i) {
        if (offsets[i + 1] <= offsets[i])
            continue;
        auto next = std::upper_bound(starts.begin(), starts.end(), offsets[i]);
        ends[i] = next == starts.end() ? offsets[i + 1] : std::min(offsets[i + 1], *next);
    }
    return ends;
}

// A plain chunk: its bytes, tags taken off the end unless a song's length reaches into them.
void ReadPlainChunk(ArchiveChunk& chunk, std::span<const std::uint8_t> stored) {
    std::size_t tags = TrailingTagBytes(stored);
    if (tags == stored.size()) {
        chunk.kind = ChunkKind::Tag;
        chunk.tagBytes = tags;
        return;
    }
    if (tags > 0 && stored.size() >= 2) {
        std::size_t songEnd = 2u + U16At(stored, 0);
        if (songEnd > stored.size() - tags && songEnd <= stored.size())
            tags = 0;
    }
    chunk.bytes.assign(stored.begin(), stored.end() - static_cast<std::ptrdiff_t>(tags));
    chunk.tagBytes = tags;
}

// A Huffman-coded chunk: its expanded length, the coded bytes, then perhaps tags.
void ReadCodedChunk(ArchiveChunk& chunk, std::size_t index, std::span<const std::uint8_t> stored,
                    const HuffmanDictionary& dictionary) {
    if (TrailingTagBytes(stored) == stored.size()) {
        chunk.kind = ChunkKind::Tag;
        chunk.tagBytes = stored.size();
        return;
    }
    if (stored.size() < 4)
        ChunkError(index,
                   std::to_string(stored.size()) + " bytes, too few to hold its expanded length");
    const std::uint32_t length = U32At(stored, 0);
    std::span<const std::uint8_t> coded = stored.subspan(4);
    HuffmanExpansion expansion = HuffmanExpand(dictionary, coded, length);
    if (expansion.ranOut)
        ChunkError(index, "the coded bytes run out before its expanded length of " +
                              std::to_string(length) + " bytes");
    std::span<const std::uint8_t> rest = coded.subspan(expansion.codedBytesUsed);
    if (TrailingTagBytes(rest) != rest.size())
        ChunkError(index, "the coded bytes go on " + std::to_string(rest.size()) +
                              " bytes past its expanded length of " + std::to_string(length) +
                              " bytes");
    chunk.bytes = std::move(expansion.bytes);
    chunk.tagBytes = rest.size();
}

// A song as the game reads one: a length that fits the chunk, whole records, and only
// registers the chip has (register 0 starts most songs).
bool LooksLikeSong(const ArchiveChunk& chunk) {
    if (chunk.kind == ChunkKind::Tag || chunk.bytes.size() < 2)
        return false;
    std::size_t length = U16At(chunk.bytes, 0);
    if (length % 4 != 0 || length + 2 > chunk.bytes.size())
        return false;
    for (std::size_t at = 2; at < length + 2; at += 4) {
        std::uint8_t reg = chunk.bytes[at];
        if (reg != 0 && !IsChipRegister(reg))
            return false;
    }
    return true;
}

bool IsEmpty(const ArchiveChunk& chunk) {
    return chunk.kind != ChunkKind::Tag && chunk.stored == 0;
}

// Songs: the run of song chunks (and empty slots among them) that ends the archive, cut at a
// tag. The sounds before them: by tags where there are some (PC speaker, AdLib, then
// digitised slots), else in three equal parts.
void SortIntoKinds(std::vector<ArchiveChunk>& chunks) {
    const std::size_t count = chunks.size();
    std::size_t runStart = count;
    while (runStart > 0) {
        const ArchiveChunk& chunk = chunks[runStart - 1];
        bool closesSection = chunk.tagBytes > 0 && runStart != count;
        if (closesSection || (!IsEmpty(chunk) && !LooksLikeSong(chunk)))
            break;
        --runStart;
    }
    std::size_t musicStart = runStart;
    while (musicStart < count && IsEmpty(chunks[musicStart]))
        ++musicStart;
    for (std::size_t i = musicStart; i < count; ++i) {
        if (chunks[i].kind != ChunkKind::Tag)
            chunks[i].kind = ChunkKind::Song;
    }
    const bool tagged = std::any_of(chunks.begin(), chunks.begin() + musicStart,
                                    [](const ArchiveChunk& c) { return c.tagBytes > 0; });
    static constexpr ChunkKind kSections[] = {ChunkKind::PcSpeaker, ChunkKind::AdLibSound,
                                              ChunkKind::DigitisedSlot};
    const std::size_t part = std::max<std::size_t>(1, (musicStart + 2) / 3);
    std::size_t section = 0;
    for (std::size_t i = 0; i < musicStart; ++i) {
        std::size_t at = tagged ? section : i / part;
        if (chunks[i].kind != ChunkKind::Tag)
            chunks[i].kind = kSections[std::min<std::size_t>(at, 2)];
        if (chunks[i].tagBytes > 0)
            ++section;
    }
}
} // namespace

std::string ChunkKindText(ChunkKind kind) {
    switch (kind) {
    case ChunkKind::PcSpeaker:
        return "PC speaker";
    case ChunkKind::AdLibSound:
        return "AdLib sound";
    case ChunkKind::DigitisedSlot:
        return "digitised slot";
    case ChunkKind::Song:
        return "song";
    case ChunkKind::Tag:
        return "tag";
    }
    return "";
}

bool IsAudioArchiveHeader(std::span<const std::uint8_t> header) {
    return header.size() >= 8 && header.size() % 4 == 0;
}

AudioArchive ReadAudioArchive(std::span<const std::uint8_t> header,
                              std::span<const std::uint8_t> data,
                              const HuffmanDictionary* dictionary) {
    if (!IsAudioArchiveHeader(header))
        throw ImfError("ERROR: archive header of " + std::to_string(header.size()) +
                       " bytes; it holds 32-bit offsets, at least two");
    AudioArchive archive;
    archive.huffman = dictionary != nullptr;
    for (std::size_t at = 0; at < header.size(); at += 4)
        archive.offsets.push_back(U32At(header, at));
    const std::vector<std::uint32_t> ends = ChunkEnds(archive.offsets);
    archive.chunks.resize(ends.size());
    std::size_t expanded = 0;
    for (std::size_t i = 0; i < ends.size(); ++i) {
        ArchiveChunk& chunk = archive.chunks[i];
        chunk.offset = archive.offsets[i];
        if (ends[i] == 0)
            continue;
        if (ends[i] > data.size())
            ChunkError(i, "bytes " + std::to_string(chunk.offset) + " to " +
                              std::to_string(ends[i]) + " lie past the end of the data (" +
                              std::to_string(data.size()) + " bytes)");
        chunk.stored = ends[i] - chunk.offset;
        std::span<const std::uint8_t> stored = data.subspan(chunk.offset, chunk.stored);
        // Entries that repeat one offset read the same bytes again and again: the expanded
        // chunks together may hold no more than a file read.
        std::size_t expandsTo = stored.size();
        if (TrailingTagBytes(stored) == stored.size())
            expandsTo = 0;
        else if (dictionary && stored.size() >= 4)
            expandsTo = U32At(stored, 0);
        if (expandsTo > kMaxInputBytes - expanded)
            ChunkError(i, "the chunks expand past " + std::to_string(kMaxInputBytes) + " bytes");
        if (dictionary)
            ReadCodedChunk(chunk, i, stored, *dictionary);
        else
            ReadPlainChunk(chunk, stored);
        archive.tags += chunk.tagBytes / 4;
        expanded += chunk.bytes.size();
    }
    SortIntoKinds(archive.chunks);
    return archive;
}

std::optional<ArchiveSong> SongOfChunk(const ArchiveChunk& chunk) {
    if (chunk.bytes.size() < 2)
        return std::nullopt;
    std::size_t length = U16At(chunk.bytes, 0);
    if (length + 2 > chunk.bytes.size())
        return std::nullopt;
    ArchiveSong song;
    std::span<const std::uint8_t> bytes(chunk.bytes);
    song.records = bytes.subspan(2, length);
    song.trailer = bytes.subspan(2 + length);
    auto printable = [](std::uint8_t c) { return c >= 0x20 && c < 0x7F; };
    auto first = std::find_if(song.trailer.begin(), song.trailer.end(), printable);
    auto last = std::find_if_not(first, song.trailer.end(), printable);
    song.name.assign(first, last);
    while (!song.name.empty() && song.name.back() == ' ')
        song.name.pop_back();
    return song;
}

std::uint64_t SongTicks(const ArchiveSong& song) {
    std::uint64_t ticks = 0;
    for (std::size_t at = 0; at + 4 <= song.records.size(); at += 4)
        ticks += U16At(song.records, at + 2);
    return ticks;
}

ArchiveFiles ReplaceArchiveSong(const AudioArchive& archive, std::span<const std::uint8_t> data,
                                std::size_t index, std::span<const std::uint8_t> records,
                                const HuffmanDictionary* dictionary) {
    if (index >= archive.chunks.size())
        throw ImfError("ERROR: chunk " + std::to_string(index) + " is outside the archive (" +
                       std::to_string(archive.chunks.size()) + " chunks)");
    const ArchiveChunk& chunk = archive.chunks[index];
    if (chunk.kind != ChunkKind::Song)
        throw ImfError("ERROR: chunk " + std::to_string(index) + " is not a song (" +
                       ChunkKindText(chunk.kind) + ")");
    if (records.size() > kMaxChunkSongBytes)
        throw ImfError("ERROR: song of " + std::to_string(records.size()) +
                       " bytes; a chunk holds at most " + std::to_string(kMaxChunkSongBytes));
    const std::vector<std::uint32_t>& offsets = archive.offsets;
    if (chunk.stored == 0 && offsets[index + 1] != offsets[index])
        throw ImfError("ERROR: chunk " + std::to_string(index) +
                       " is an empty slot whose offset lies past later chunks");

    for (std::size_t j = 0; j < archive.chunks.size(); ++j) {
        const ArchiveChunk& other = archive.chunks[j];
        if (j != index && chunk.stored > 0 && other.stored > 0 && other.offset == chunk.offset)
            throw ImfError("ERROR: chunk " + std::to_string(index) +
                           " shares its bytes with chunk " + std::to_string(j));
    }

    ByteWriter expanded;
    expanded.U16(static_cast<std::uint16_t>(records.size()));
    for (std::uint8_t byte : records)
        expanded.U8(byte);
    if (std::optional<ArchiveSong> old = SongOfChunk(chunk)) {
        for (std::uint8_t byte : old->trailer)
            expanded.U8(byte);
    }
    ByteWriter writer;
    if (dictionary) {
        writer.U32(static_cast<std::uint32_t>(expanded.Size()));
        for (std::uint8_t byte : HuffmanCode(*dictionary, expanded.Bytes()))
            writer.U8(byte);
    } else {
        for (std::uint8_t byte : expanded.Bytes())
            writer.U8(byte);
    }
    for (std::size_t tag = 0; tag < chunk.tagBytes; tag += 4) {
        for (std::uint8_t byte : kTag)
            writer.U8(byte);
    }
    const std::vector<std::uint8_t> stored = writer.Release();

    const std::size_t start = chunk.offset;
    const std::size_t oldEnd = start + chunk.stored;
    const std::size_t newEnd = start + stored.size();
    if (data.size() - chunk.stored + stored.size() > std::numeric_limits<std::uint32_t>::max())
        throw ImfError("ERROR: archive data past 4 GiB");
    ArchiveFiles files;
    files.data.assign(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(start));
    files.data.insert(files.data.end(), stored.begin(), stored.end());
    files.data.insert(files.data.end(), data.begin() + static_cast<std::ptrdiff_t>(oldEnd),
                      data.end());
    ByteWriter header;
    for (std::size_t j = 0; j < offsets.size(); ++j) {
        std::size_t entry = offsets[j];
        if (j != index && entry >= oldEnd && (entry > start || j > index))
            entry = entry - chunk.stored + stored.size();
        else if (j != index && entry > start)
            entry = std::min(entry, newEnd); // an empty slot pointing into the old song
        header.U32(static_cast<std::uint32_t>(entry));
    }
    files.header = header.Release();
    return files;
}
