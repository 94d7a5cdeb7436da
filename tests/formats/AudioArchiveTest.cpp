// Audio archives: a hand-built plain archive with "!ID!" tags and song trailers, Huffman coding
// with hand-built dictionaries, the broken archives each refused with its chunk, replacing songs,
// and the Commander Keen 4 archive where it is present.
#include "AudioArchive.h"
#include "FileBytes.h"
#include "HuffmanCoding.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

using testsupport::MessageOf;
using Bytes = std::vector<std::uint8_t>;

namespace {
Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes U16(std::uint16_t v) {
    return {Bytes::value_type(v), Bytes::value_type(v >> 8)};
}
Bytes U32(std::uint32_t v) {
    return Cat(U16(static_cast<std::uint16_t>(v)), U16(static_cast<std::uint16_t>(v >> 16)));
}
Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}
const Bytes kTag = Text("!ID!");

// A song chunk: length word, records, trailer.
Bytes SongChunk(const Bytes& records, const Bytes& trailer) {
    return Cat(Cat(U16(static_cast<std::uint16_t>(records.size())), records), trailer);
}
// An IMF tag as trailer: 0x1A, title, composer, remarks, program name.
Bytes Trailer(const std::string& title) {
    return Cat(Cat(Bytes{0x1A}, Text(title)), Bytes{0, 'm', 'e', 0, 0, 'M', 'U', 'S', 'E', 0});
}
const Bytes kCornerRecords = {0, 0, 0, 0, 0x20, 0x01, 0x0A, 0x00, 0xB0, 0x31, 0x46, 0x00};
const Bytes kWonderRecords = {0, 0, 0, 0, 0xA0, 0x44, 0x18, 0x01};

struct Archive {
    Bytes header;
    Bytes data;
};

// Chunks and where tags follow them; the header's last entry is the end of the last chunk.
Archive Build(const std::vector<Bytes>& chunks, const Bytes& after = {}) {
    Archive archive;
    for (const Bytes& chunk : chunks) {
        archive.header = Cat(archive.header, U32(static_cast<std::uint32_t>(archive.data.size())));
        archive.data = Cat(archive.data, chunk);
    }
    archive.header = Cat(archive.header, U32(static_cast<std::uint32_t>(archive.data.size())));
    archive.data = Cat(archive.data, after);
    return archive;
}

// Three sections closed by tags: two PC speaker sounds, two AdLib sounds, three songs (one
// empty), the music's tag after the header's last offset.
Archive Tagged() {
    Bytes pc = {4, 0, 0, 0, 1, 0, 0x30, 0x31, 0x32, 0};
    Bytes adlib = Cat(Bytes{2, 0, 0, 0, 5, 0}, Bytes(18, 0x21));
    return Build({pc, Cat(pc, kTag), adlib, Cat(adlib, kTag),
                  SongChunk(kCornerRecords, Trailer("CORNER")), SongChunk({}, {}),
                  SongChunk(kWonderRecords, Trailer("Wonderin' Home  "))},
                 kTag);
}

// A full tree: every byte a leaf eight levels down, its bits lowest first.
Bytes FullDictionary() {
    Bytes bytes;
    const std::size_t levelStart[] = {0, 128, 192, 224, 240, 248, 252, 254};
    for (int level = 0; level < 8; ++level) {
        std::size_t count = std::size_t{128} >> level;
        for (std::size_t j = 0; j < count; ++j) {
            for (std::size_t bit = 0; bit < 2; ++bit) {
                std::size_t child = 2 * j + bit;
                bytes = Cat(bytes, U16(static_cast<std::uint16_t>(
                                       level == 0 ? child : 256 + levelStart[level - 1] + child)));
            }
        }
    }
    return bytes;
}

AudioArchive Read(const Archive& archive, const HuffmanDictionary* dictionary = nullptr) {
    return ReadAudioArchive(archive.header, archive.data, dictionary);
}

std::vector<ChunkKind> Kinds(const AudioArchive& archive) {
    std::vector<ChunkKind> kinds;
    for (const ArchiveChunk& chunk : archive.chunks)
        kinds.push_back(chunk.kind);
    return kinds;
}

// A Huffman-coded chunk: expanded length, the coded bytes.
Bytes CodedChunk(const HuffmanDictionary& dictionary, const Bytes& bytes) {
    return Cat(U32(static_cast<std::uint32_t>(bytes.size())), HuffmanCode(dictionary, bytes));
}
} // namespace

TEST(AudioArchive, TaggedPlainArchiveSortsItsSectionsByTags) {
    AudioArchive archive = Read(Tagged());
    using K = ChunkKind;
    EXPECT_EQ(Kinds(archive), (std::vector<K>{K::PcSpeaker, K::PcSpeaker, K::AdLibSound,
                                              K::AdLibSound, K::Song, K::Song, K::Song}));
    EXPECT_FALSE(archive.huffman);
    EXPECT_EQ(archive.tags, 2u);
    EXPECT_EQ(archive.chunks[1].tagBytes, 4u);
    EXPECT_EQ(archive.chunks[1].bytes.size(), 10u);
    EXPECT_EQ(archive.chunks[1].stored, 14u);
}

TEST(AudioArchive, SongsCarryTheirRecordsAndTheNameOfTheirTrailer) {
    AudioArchive archive = Read(Tagged());
    auto corner = SongOfChunk(archive.chunks[4]);
    ASSERT_TRUE(corner);
    EXPECT_EQ(Bytes(corner->records.begin(), corner->records.end()), kCornerRecords);
    EXPECT_EQ(corner->name, "CORNER");
    EXPECT_EQ(SongTicks(*corner), 0x0A + 0x46u);
    auto empty = SongOfChunk(archive.chunks[5]);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->records.empty());
    EXPECT_EQ(empty->name, "");
    EXPECT_EQ(SongOfChunk(archive.chunks[6])->name, "Wonderin' Home");
}

TEST(AudioArchive, WithoutTagsTheSoundsFallIntoThreeEqualParts) {
    Bytes sound = {3, 0, 0, 0, 1, 0, 7, 7, 7};
    Archive built = Build({sound, sound, sound, sound, {}, {}, SongChunk(kCornerRecords, {})});
    using K = ChunkKind;
    EXPECT_EQ(Kinds(Read(built)),
              (std::vector<K>{K::PcSpeaker, K::PcSpeaker, K::AdLibSound, K::AdLibSound,
                              K::DigitisedSlot, K::DigitisedSlot, K::Song}));
    // Four sounds: parts of two, rounded up, and none left for the digitised slots.
    built = Build({sound, sound, sound, sound, SongChunk(kCornerRecords, {})});
    EXPECT_EQ(Kinds(Read(built)),
              (std::vector<K>{K::PcSpeaker, K::PcSpeaker, K::AdLibSound, K::AdLibSound, K::Song}));
    // An empty slot between two songs belongs to the songs.
    const Bytes corner = SongChunk(kCornerRecords, {});
    built = Build({sound, sound, sound, corner, {}, corner});
    const std::vector<K> kinds = Kinds(Read(built));
    EXPECT_EQ(kinds[2], K::DigitisedSlot);
    EXPECT_EQ(kinds[3], K::Song);
    EXPECT_EQ(kinds[5], K::Song);
}

TEST(AudioArchive, TagsEndAChunkUnlessItsSongReachesIntoThem) {
    // The song ends where the tag begins: the tag is taken off.
    AudioArchive before = Read(Build({Cat(SongChunk(kCornerRecords, {}), kTag)}));
    EXPECT_EQ(before.chunks[0].bytes, SongChunk(kCornerRecords, {}));
    EXPECT_EQ(before.chunks[0].tagBytes, 4u);
    // Its last record reads "!ID!" to the chunk's end: the bytes are the song's.
    const Bytes tagged = Cat(kCornerRecords, kTag);
    AudioArchive into = Read(Build({SongChunk(tagged, {})}));
    EXPECT_EQ(into.chunks[0].bytes, SongChunk(tagged, {}));
    EXPECT_EQ(into.chunks[0].tagBytes, 0u);
    EXPECT_EQ(into.tags, 0u);
}

TEST(AudioArchive, AChunkOfATagAloneIsATag) {
    Bytes sound = {3, 0, 0, 0, 1, 0, 7, 7, 7};
    AudioArchive archive = Read(Build({sound, kTag, SongChunk(kCornerRecords, {})}));
    EXPECT_EQ(archive.chunks[1].kind, ChunkKind::Tag);
    EXPECT_EQ(archive.chunks[2].kind, ChunkKind::Song);
    EXPECT_EQ(archive.tags, 1u);
}

TEST(AudioArchive, EmptySlotsPointingPastLaterChunksAreNoError) {
    // Chunk 1 and 2 are empty slots whose offsets lie inside the song of chunk 3.
    Bytes sound = {3, 0, 0, 0, 1, 0, 7, 7, 7};
    Bytes song = SongChunk(kCornerRecords, {});
    Archive built;
    built.data = Cat(sound, song);
    built.header = Cat(Cat(U32(0), U32(13)), Cat(U32(13), U32(9)));
    built.header = Cat(built.header, U32(static_cast<std::uint32_t>(built.data.size())));
    AudioArchive archive = Read(built);
    ASSERT_EQ(archive.chunks.size(), 4u);
    EXPECT_EQ(archive.chunks[0].stored, 9u);
    EXPECT_EQ(archive.chunks[1].stored, 0u);
    EXPECT_EQ(archive.chunks[2].stored, 0u);
    EXPECT_EQ(archive.chunks[3].kind, ChunkKind::Song);
    EXPECT_EQ(archive.chunks[3].bytes, song);

    // Chunk 0's entry runs past the start of chunk 3, whose own entry follows a smaller one
    // (chunk 2 repeats chunk 0's offset): chunk 0 still ends where chunk 3 starts.
    built.header = Cat(Cat(U32(0), U32(13)), Cat(U32(0), U32(9)));
    built.header = Cat(built.header, U32(static_cast<std::uint32_t>(built.data.size())));
    archive = Read(built);
    EXPECT_EQ(archive.chunks[0].stored, 9u);
    EXPECT_EQ(archive.chunks[2].stored, 9u);
    EXPECT_EQ(archive.chunks[3].bytes, song);
}

TEST(AudioArchive, BrokenArchivesAreRefusedWithTheChunk) {
    Archive built = Tagged();
    EXPECT_EQ(MessageOf([&] { ReadAudioArchive(Bytes(6), built.data, nullptr); }),
              "ERROR: archive header of 6 bytes; it holds 32-bit offsets, at least two");
    EXPECT_EQ(MessageOf([&] { ReadAudioArchive(Bytes(4), built.data, nullptr); }),
              "ERROR: archive header of 4 bytes; it holds 32-bit offsets, at least two");
    Bytes cut(built.data.begin(), built.data.begin() + 60);
    EXPECT_EQ(MessageOf([&] { ReadAudioArchive(built.header, cut, nullptr); }),
              "ERROR: chunk 3: bytes 48 to 76 lie past the end of the data (60 bytes)");
}

TEST(AudioArchive, EntriesRepeatingOneOffsetCannotExpandPastWhatAFileHolds) {
    // 1,025 chunks of the same 64 KiB: more than 64 MiB.
    Archive built;
    built.data = SongChunk(Bytes(65532, 0), {});
    for (int i = 0; i < 1025; ++i)
        built.header = Cat(Cat(built.header, U32(0)), U32(65534));
    built.header = Cat(built.header, U32(65534));
    EXPECT_EQ(MessageOf([&] { Read(built); }),
              "ERROR: chunk 2048: the chunks expand past 67108864 bytes");
}

TEST(HuffmanCoding, CodesAndExpandsEveryByte) {
    HuffmanDictionary dictionary = ReadHuffmanDictionary(FullDictionary());
    Bytes all;
    for (int i = 0; i < 256; ++i)
        all.push_back(static_cast<std::uint8_t>(i));
    // A full tree of depth eight codes each byte as its bits reversed: the first bit read
    // chooses at the root.
    Bytes reversed;
    for (int i = 0; i < 256; ++i) {
        int r = 0;
        for (int bit = 0; bit < 8; ++bit)
            r |= ((i >> bit) & 1) << (7 - bit);
        reversed.push_back(static_cast<std::uint8_t>(r));
    }
    EXPECT_EQ(HuffmanCode(dictionary, all), reversed);
    HuffmanExpansion expansion = HuffmanExpand(dictionary, reversed, 256);
    EXPECT_EQ(expansion.bytes, all);
    EXPECT_EQ(expansion.codedBytesUsed, 256u);
    EXPECT_TRUE(HuffmanExpand(dictionary, all, 257).ranOut);
}

TEST(HuffmanCoding, ShortCodesAreFilledUpWithZeroBits) {
    // Root: bit 0 the byte 'a', bit 1 node 253; node 253: 'b' and 'c'.
    Bytes nodes(HuffmanDictionary::kNodes * 4, 0);
    auto set = [&](std::size_t node, std::uint16_t zero, std::uint16_t one) {
        nodes[node * 4] = static_cast<std::uint8_t>(zero);
        nodes[node * 4 + 1] = static_cast<std::uint8_t>(zero >> 8);
        nodes[node * 4 + 2] = static_cast<std::uint8_t>(one);
        nodes[node * 4 + 3] = static_cast<std::uint8_t>(one >> 8);
    };
    set(254, 'a', 256 + 253);
    set(253, 'b', 'c');
    HuffmanDictionary dictionary = ReadHuffmanDictionary(nodes);
    // a = 0, b = 10, c = 11, lowest bit first: c a b -> 1 1 0 1 0 -> 0b01011.
    EXPECT_EQ(HuffmanCode(dictionary, Text("cab")), (Bytes{0x0B}));
    EXPECT_EQ(HuffmanExpand(dictionary, Bytes{0x0B}, 3).bytes, Text("cab"));
    EXPECT_EQ(MessageOf([&] { HuffmanCode(dictionary, Text("abd")); }),
              "ERROR: byte 0x64 is not in the Huffman dictionary");
}

TEST(HuffmanCoding, BrokenDictionariesAreRefused) {
    EXPECT_EQ(MessageOf([] { ReadHuffmanDictionary(Bytes(1000)); }),
              "ERROR: Huffman dictionary of 1000 bytes; 255 nodes take 1020");
    Bytes nodes = FullDictionary();
    nodes[7 * 4 + 2] = 0xFF;
    nodes[7 * 4 + 3] = 0x01;
    EXPECT_EQ(MessageOf([&] { ReadHuffmanDictionary(nodes); }),
              "ERROR: Huffman dictionary node 7 points to node 255");
    EXPECT_NO_THROW(ReadHuffmanDictionary(Cat(FullDictionary(), Bytes(4, 0))));
}

TEST(AudioArchive, CodedChunksAreExpandedAndBrokenOnesRefused) {
    HuffmanDictionary dictionary = ReadHuffmanDictionary(FullDictionary());
    Bytes sound = {3, 0, 0, 0, 1, 0, 7, 7, 7};
    Bytes song = SongChunk(kCornerRecords, {});
    Archive coded = Build({Cat(CodedChunk(dictionary, sound), kTag), CodedChunk(dictionary, song)});
    AudioArchive archive = Read(coded, &dictionary);
    EXPECT_TRUE(archive.huffman);
    EXPECT_EQ(archive.chunks[0].bytes, sound);
    EXPECT_EQ(archive.chunks[0].tagBytes, 4u);
    EXPECT_EQ(archive.chunks[1].bytes, song);
    EXPECT_EQ(archive.chunks[1].kind, ChunkKind::Song);

    Archive runsOut = Build({Cat(U32(10), Bytes(9, 1)), CodedChunk(dictionary, song)});
    EXPECT_EQ(MessageOf([&] { Read(runsOut, &dictionary); }),
              "ERROR: chunk 0: the coded bytes run out before its expanded length of 10 bytes");
    Archive goesOn = Build({Cat(U32(8), Bytes(9, 1)), CodedChunk(dictionary, song)});
    EXPECT_EQ(MessageOf([&] { Read(goesOn, &dictionary); }),
              "ERROR: chunk 0: the coded bytes go on 1 bytes past its expanded length of 8 bytes");
    Archive tooFew = Build({CodedChunk(dictionary, song), Bytes{1, 0}});
    EXPECT_EQ(MessageOf([&] { Read(tooFew, &dictionary); }),
              "ERROR: chunk 1: 2 bytes, too few to hold its expanded length");
    // Four bytes are a length alone, and a length past what a file may hold is refused first.
    Archive huge = Build({U32(0x7FFFFFFF), CodedChunk(dictionary, song)});
    EXPECT_EQ(MessageOf([&] { Read(huge, &dictionary); }),
              "ERROR: chunk 0: the chunks expand past 67108864 bytes");
}

TEST(AudioArchive, ReplacingASongByItselfGivesTheSameBytes) {
    Archive built = Tagged();
    AudioArchive archive = Read(built);
    for (std::size_t index : {4u, 5u, 6u}) {
        auto song = SongOfChunk(archive.chunks[index]);
        ArchiveFiles files = ReplaceArchiveSong(
            archive, built.data, index, Bytes(song->records.begin(), song->records.end()), nullptr);
        EXPECT_EQ(files.header, built.header) << index;
        EXPECT_EQ(files.data, built.data) << index;
    }
}

TEST(AudioArchive, ReplacingASongKeepsEveryOtherChunkAndTheTrailer) {
    Archive built = Tagged();
    AudioArchive before = Read(built);
    Bytes longer = Cat(kWonderRecords, kCornerRecords);
    ArchiveFiles files = ReplaceArchiveSong(before, built.data, 4, longer, nullptr);
    AudioArchive after = ReadAudioArchive(files.header, files.data, nullptr);
    ASSERT_EQ(after.chunks.size(), before.chunks.size());
    EXPECT_EQ(Kinds(after), Kinds(before));
    for (std::size_t i = 0; i < before.chunks.size(); ++i) {
        if (i != 4) {
            EXPECT_EQ(after.chunks[i].bytes, before.chunks[i].bytes) << i;
        }
    }
    auto song = SongOfChunk(after.chunks[4]);
    EXPECT_EQ(Bytes(song->records.begin(), song->records.end()), longer);
    EXPECT_EQ(song->name, "CORNER");
    // The offsets after the chunk moved by the eight bytes it grew; the tag after the end too.
    EXPECT_EQ(after.offsets[5], before.offsets[5] + 8);
    EXPECT_EQ(after.offsets[7], before.offsets[7] + 8);
    EXPECT_EQ(files.data.size(), built.data.size() + 8);
    EXPECT_TRUE(std::equal(kTag.begin(), kTag.end(), files.data.end() - 4));
    // The empty song takes one too.
    ArchiveFiles filled = ReplaceArchiveSong(before, built.data, 5, kCornerRecords, nullptr);
    AudioArchive refilled = ReadAudioArchive(filled.header, filled.data, nullptr);
    auto five = SongOfChunk(refilled.chunks[5]);
    EXPECT_EQ(Bytes(five->records.begin(), five->records.end()), kCornerRecords);
    EXPECT_EQ(refilled.chunks[6].bytes, before.chunks[6].bytes);
}

TEST(AudioArchive, ReplacingIsRefusedForWhatDoesNotFit) {
    Archive built = Tagged();
    AudioArchive archive = Read(built);
    EXPECT_EQ(MessageOf([&] { ReplaceArchiveSong(archive, built.data, 4, Bytes(65536), nullptr); }),
              "ERROR: song of 65536 bytes; a chunk holds at most 65535");
    EXPECT_EQ(
        MessageOf([&] { ReplaceArchiveSong(archive, built.data, 2, kCornerRecords, nullptr); }),
        "ERROR: chunk 2 is not a song (AdLib sound)");
    EXPECT_EQ(
        MessageOf([&] { ReplaceArchiveSong(archive, built.data, 7, kCornerRecords, nullptr); }),
        "ERROR: chunk 7 is outside the archive (7 chunks)");
    // Chunk 2, between two songs, is an empty slot whose offset lies inside chunk 3's song.
    Archive slot;
    const Bytes corner = SongChunk(kCornerRecords, {});
    slot.data = Cat(Cat(Bytes{3, 0, 0, 0, 1, 0, 7, 7, 7}, corner), corner);
    slot.header = Cat(Cat(Cat(U32(0), U32(9)), Cat(U32(30), U32(23))), U32(37));
    AudioArchive slotted = Read(slot);
    ASSERT_EQ(slotted.chunks[2].kind, ChunkKind::Song);
    EXPECT_EQ(
        MessageOf([&] { ReplaceArchiveSong(slotted, slot.data, 2, kCornerRecords, nullptr); }),
        "ERROR: chunk 2 is an empty slot whose offset lies past later chunks");
    // Chunks 0 and 2 both start at 0: replacing one would change the other.
    Archive shared;
    shared.data = SongChunk(kCornerRecords, {});
    shared.header = Bytes{0, 0, 0, 0, 14, 0, 0, 0, 0, 0, 0, 0, 14, 0, 0, 0};
    AudioArchive twice = Read(shared);
    EXPECT_EQ(
        MessageOf([&] { ReplaceArchiveSong(twice, shared.data, 2, kWonderRecords, nullptr); }),
        "ERROR: chunk 2 shares its bytes with chunk 0");
}

TEST(AudioArchive, CodedReplacementExpandsToTheSongAndRefusesBytesTheDictionaryLacks) {
    Bytes nodes = FullDictionary();
    // Node 127 holds 0xFE twice: 0xFF has no code.
    nodes[127 * 4 + 2] = 0xFE;
    HuffmanDictionary dictionary = ReadHuffmanDictionary(nodes);
    Bytes sound = {3, 0, 0, 0, 1, 0, 7, 7, 7};
    Archive coded = Build({Cat(CodedChunk(dictionary, sound), kTag),
                           CodedChunk(dictionary, SongChunk(kCornerRecords, Trailer("X")))});
    AudioArchive archive = Read(coded, &dictionary);
    ArchiveFiles same = ReplaceArchiveSong(archive, coded.data, 1, kCornerRecords, &dictionary);
    EXPECT_EQ(same.data, coded.data);
    ArchiveFiles other = ReplaceArchiveSong(archive, coded.data, 1, kWonderRecords, &dictionary);
    AudioArchive after = ReadAudioArchive(other.header, other.data, &dictionary);
    EXPECT_EQ(after.chunks[0].bytes, sound);
    EXPECT_EQ(after.chunks[0].tagBytes, 4u);
    EXPECT_EQ(after.chunks[1].bytes, SongChunk(kWonderRecords, Trailer("X")));
    EXPECT_EQ(MessageOf([&] {
                  ReplaceArchiveSong(archive, coded.data, 1, Bytes{0xB0, 0xFF, 0, 0}, &dictionary);
              }),
              "ERROR: byte 0xFF is not in the Huffman dictionary");
}

TEST(WriteFilesTogether, ASecondFileThatCannotBeWrittenTakesTheFirstBack) {
    testsupport::TempDir dir;
    const std::string first = (dir / "HEAD").string();
    std::filesystem::create_directory(dir / "DATA"); // a folder: the rename onto it fails
    Bytes a = {1, 2, 3};
    EXPECT_EQ(MessageOf([&] {
                  WriteFilesTogether({{first, a}, {(dir / "DATA").string(), a}});
              }),
              "ERROR: cannot write file: " + (dir / "DATA").string());
    EXPECT_FALSE(std::filesystem::exists(first));
    // An old first file is put back as it was.
    testsupport::WriteBytes(first, {9});
    EXPECT_THROW(WriteFilesTogether({{first, a}, {(dir / "DATA").string(), a}}), ImfError);
    EXPECT_EQ(testsupport::ReadBytes(first), (Bytes{9}));
    std::size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path()))
        ++entries;
    EXPECT_EQ(entries, 2u); // HEAD and the folder: no temporaries left
    WriteFilesTogether({{first, a}, {(dir / "OTHER").string(), a}});
    EXPECT_EQ(testsupport::ReadBytes(first), a);
    EXPECT_EQ(testsupport::ReadBytes(dir / "OTHER"), a);
}

namespace {
std::filesystem::path Keen4Dir() {
    return std::filesystem::path(IMF_SOURCE_DIR) / "../shared/games/keen4";
}
} // namespace

TEST(AudioArchiveKeen4, SixSongsAfterTaggedSoundsAndOutOfOrderEmptySlots) {
    if (!std::filesystem::exists(Keen4Dir() / "AUDIO.CK4"))
        GTEST_SKIP() << "no Keen 4 archive at " << Keen4Dir();
    Bytes header = testsupport::ReadBytes(Keen4Dir() / "AUDIOHHD.CK4");
    Bytes data = testsupport::ReadBytes(Keen4Dir() / "AUDIO.CK4");
    HuffmanDictionary dictionary =
        ReadHuffmanDictionary(testsupport::ReadBytes(Keen4Dir() / "AUDIODCT.CK4"));
    AudioArchive archive = ReadAudioArchive(header, data, &dictionary);
    ASSERT_EQ(archive.chunks.size(), 162u);
    std::size_t counts[5] = {};
    for (const ArchiveChunk& chunk : archive.chunks)
        ++counts[static_cast<int>(chunk.kind)];
    EXPECT_EQ(counts[0], 52u);
    EXPECT_EQ(counts[1], 52u);
    EXPECT_EQ(counts[2], 52u);
    EXPECT_EQ(counts[3], 6u);
    for (std::size_t i = 156; i < 162; ++i) {
        ASSERT_EQ(archive.chunks[i].kind, ChunkKind::Song);
        auto song = SongOfChunk(archive.chunks[i]);
        ASSERT_TRUE(song);
        Bytes records(song->records.begin(), song->records.end());
        // By itself: every chunk expands to the same bytes.
        ArchiveFiles same = ReplaceArchiveSong(archive, data, i, records, &dictionary);
        AudioArchive again = ReadAudioArchive(same.header, same.data, &dictionary);
        for (std::size_t j = 0; j < 162; ++j)
            ASSERT_EQ(again.chunks[j].bytes, archive.chunks[j].bytes) << i << " " << j;
    }
    // Another song in chunk 157: the others keep their stored bytes, the song reads back.
    auto other = SongOfChunk(archive.chunks[158]);
    Bytes records(other->records.begin(), other->records.end());
    ArchiveFiles files = ReplaceArchiveSong(archive, data, 157, records, &dictionary);
    AudioArchive after = ReadAudioArchive(files.header, files.data, &dictionary);
    auto stored = [](const Bytes& bytes, const ArchiveChunk& chunk) {
        return Bytes(bytes.begin() + chunk.offset, bytes.begin() + chunk.offset + chunk.stored);
    };
    for (std::size_t j = 0; j < 162; ++j) {
        if (j == 157)
            continue;
        EXPECT_EQ(after.chunks[j].kind, archive.chunks[j].kind) << j;
        EXPECT_EQ(stored(files.data, after.chunks[j]), stored(data, archive.chunks[j])) << j;
    }
    auto put = SongOfChunk(after.chunks[157]);
    EXPECT_EQ(Bytes(put->records.begin(), put->records.end()), records);
}
