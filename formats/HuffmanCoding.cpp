#include "HuffmanCoding.h"

#include "Console.h"
#include "ImfError.h"

#include <optional>

namespace {
constexpr std::size_t kRoot = HuffmanDictionary::kNodes - 1;
constexpr std::size_t kNodeBytes = HuffmanDictionary::kNodes * 4;

// Each byte's path from the root, as the bits in the order they are written.
using CodeTable = std::array<std::optional<std::vector<bool>>, 256>;

CodeTable Codes(const HuffmanDictionary& dictionary) {
    CodeTable codes;
    // Depth first; a node is entered once, so a dictionary whose branches loop still ends.
    std::array<bool, HuffmanDictionary::kNodes> seen{};
    std::vector<std::pair<std::size_t, std::vector<bool>>> pending{{kRoot, {}}};
    seen[kRoot] = true;
    while (!pending.empty()) {
        auto [node, path] = std::move(pending.back());
        pending.pop_back();
        for (int bit = 1; bit >= 0; --bit) {
            std::vector<bool> branch = path;
            branch.push_back(bit == 1);
            std::uint16_t value = dictionary.nodes[node][static_cast<std::size_t>(bit)];
            if (value < 256) {
                if (!codes[value] || codes[value]->size() > branch.size())
                    codes[value] = std::move(branch);
            } else if (!seen[value - 256u]) {
                seen[value - 256u] = true;
                pending.emplace_back(value - 256u, std::move(branch));
            }
        }
    }
    return codes;
}
} // namespace

bool IsHuffmanDictionary(std::span<const std::uint8_t> bytes) {
    return bytes.size() == kNodeBytes || bytes.size() == kNodeBytes + 4;
}

HuffmanDictionary ReadHuffmanDictionary(std::span<const std::uint8_t> bytes) {
    if (!IsHuffmanDictionary(bytes))
        throw ImfError("ERROR: Huffman dictionary of " + std::to_string(bytes.size()) +
                       " bytes; 255 nodes take 1020");
    HuffmanDictionary dictionary;
    for (std::size_t node = 0; node < HuffmanDictionary::kNodes; ++node) {
        for (std::size_t bit = 0; bit < 2; ++bit) {
            std::size_t at = node * 4 + bit * 2;
            auto value = static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
            if (value >= 256 + HuffmanDictionary::kNodes)
                throw ImfError("ERROR: Huffman dictionary node " + std::to_string(node) +
                               " points to node " + std::to_string(value - 256));
            dictionary.nodes[node][bit] = value;
        }
    }
    return dictionary;
}

HuffmanExpansion HuffmanExpand(const HuffmanDictionary& dictionary,
                               std::span<const std::uint8_t> coded, std::size_t length) {
    HuffmanExpansion result;
    // Every bit yields at most one byte: a longer length cannot come out of these bytes.
    if (length > coded.size() * 8) {
        result.ranOut = true;
        return result;
    }
    result.bytes.reserve(length);
    std::size_t node = kRoot;
    std::size_t position = 0;
    while (result.bytes.size() < length) {
        if (position == coded.size()) {
            result.ranOut = true;
            break;
        }
        std::uint8_t byte = coded[position++];
        for (int bit = 0; bit < 8; ++bit) {
            std::uint16_t value = dictionary.nodes[node][(byte >> bit) & 1];
            if (value >= 256) {
                node = value - 256u;
                continue;
            }
            result.bytes.push_back(static_cast<std::uint8_t>(value));
            node = kRoot;
            if (result.bytes.size() == length)
                break;
        }
    }
    result.codedBytesUsed = position;
    return result;
}

std::vector<std::uint8_t> HuffmanCode(const HuffmanDictionary& dictionary,
                                      std::span<const std::uint8_t> bytes) {
    CodeTable codes = Codes(dictionary);
    std::vector<std::uint8_t> coded;
    std::uint8_t current = 0;
    int filled = 0;
    for (std::uint8_t byte : bytes) {
        if (!codes[byte])
            throw ImfError("ERROR: byte 0x" + HexDigits(byte, 2) +
                           " is not in the Huffman dictionary");
        for (bool bit : *codes[byte]) {
            if (bit)
                current = static_cast<std::uint8_t>(current | 1u << filled);
            if (++filled == 8) {
                coded.push_back(current);
                current = 0;
                filled = 0;
            }
        }
    }
    if (filled > 0)
        coded.push_back(current);
    return coded;
}
