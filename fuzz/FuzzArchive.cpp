// libFuzzer target: the audio archive reader, plain and Huffman-coded, on raw bytes; then each
// song replaced by itself, which must give back chunks of the same bytes.
#include "AudioArchive.h"
#include "FuzzSupport.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

namespace {
// An input: a mode byte (bit 0: Huffman-coded, bit 1: the deep dictionary), the header's size
// as 16 bits, the header, the data.
constexpr std::size_t kMaxArchiveInput = 4096;

// Every byte eight levels down: its code is its bits in reverse order.
HuffmanDictionary FullTree() {
    HuffmanDictionary dictionary;
    const std::size_t levelStart[] = {0, 128, 192, 224, 240, 248, 252, 254};
    for (std::size_t level = 0; level < 8; ++level) {
        for (std::size_t j = 0; j < (std::size_t{128} >> level); ++j) {
            for (std::size_t bit = 0; bit < 2; ++bit) {
                std::size_t child = 2 * j + bit;
                dictionary.nodes[levelStart[level] + j][bit] = static_cast<std::uint16_t>(
                    level == 0 ? child : 256 + levelStart[level - 1] + child);
            }
        }
    }
    return dictionary;
}

// A comb: node k holds byte 254 - k on bit 0 and node k - 1 on bit 1; codes of 1 to 255 bits.
HuffmanDictionary Comb() {
    HuffmanDictionary dictionary;
    for (std::size_t k = 1; k < HuffmanDictionary::kNodes; ++k)
        dictionary.nodes[k] = {static_cast<std::uint16_t>(254 - k),
                               static_cast<std::uint16_t>(256 + k - 1)};
    dictionary.nodes[0] = {254, 255};
    return dictionary;
}

const HuffmanDictionary kFull = FullTree();
const HuffmanDictionary kComb = Comb();

bool IsAcceptedArchiveError(std::string_view message) {
    return message.starts_with("ERROR: chunk ") || message.starts_with("ERROR: archive header ");
}

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "%s\n", what);
        std::abort();
    }
}

void Run(std::span<const std::uint8_t> input) {
    if (input.size() < 3)
        return;
    const HuffmanDictionary* dictionary =
        (input[0] & 1) ? ((input[0] & 2) ? &kComb : &kFull) : nullptr;
    std::size_t headerSize = std::min<std::size_t>(input[1] | input[2] << 8, input.size() - 3);
    std::span<const std::uint8_t> header = input.subspan(3, headerSize);
    std::span<const std::uint8_t> data = input.subspan(3 + headerSize);
    AudioArchive archive = ReadAudioArchive(header, data, dictionary);
    for (std::size_t i = 0; i < archive.chunks.size(); ++i) {
        const ArchiveChunk& chunk = archive.chunks[i];
        if (chunk.kind != ChunkKind::Song)
            continue;
        std::optional<ArchiveSong> song = SongOfChunk(chunk);
        if (!song)
            continue;
        SongTicks(*song);
        if (chunk.stored == 0 && archive.offsets[i + 1] != archive.offsets[i])
            continue; // an empty slot out of order takes no song
        std::vector<std::uint8_t> records(song->records.begin(), song->records.end());
        ArchiveFiles files = ReplaceArchiveSong(archive, data, i, records, dictionary);
        AudioArchive again = ReadAudioArchive(files.header, files.data, dictionary);
        Check(again.chunks.size() == archive.chunks.size(), "the chunk count changed");
        for (std::size_t j = 0; j < archive.chunks.size(); ++j) {
            Check(again.chunks[j].bytes == archive.chunks[j].bytes, "a chunk's bytes changed");
            Check(again.chunks[j].kind == archive.chunks[j].kind, "a chunk's kind changed");
        }
        if (!dictionary)
            Check(files.data.size() == data.size() &&
                      std::equal(data.begin(), data.end(), files.data.begin()),
                  "a plain song replaced by itself changed the data");
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::Silence();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMaxArchiveInput)
        return -1;
    try {
        Run(std::span<const std::uint8_t>(data, size));
    } catch (const ImfError& error) {
        if (!IsAcceptedArchiveError(error.Message())) {
            std::fprintf(stderr, "unexpected raised error: \"%s\"\n", error.what());
            std::abort();
        }
    }
    return 0;
}
