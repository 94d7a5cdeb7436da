// The Huffman coding of id Software's audio archives: a dictionary of 255 nodes, expanding
// coded chunks and coding bytes again with the same dictionary.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// 255 nodes of two branches each (bit 0, bit 1): a value below 256 is a byte, 256 + N is node
// N. The root is the last node, 254.
struct HuffmanDictionary {
    static constexpr std::size_t kNodes = 255;
    std::array<std::array<std::uint16_t, 2>, kNodes> nodes{};
};

// Whether the bytes can be a dictionary: 1,020 bytes (255 nodes), or 1,024 as source ports
// keep it (a 256th node that is never used).
bool IsHuffmanDictionary(std::span<const std::uint8_t> bytes);

// Reads the nodes. Raises "ERROR: Huffman dictionary of N bytes; 255 nodes take 1020" for
// another size, and "ERROR: Huffman dictionary node N points to node M" for a branch to a node
// that does not exist.
HuffmanDictionary ReadHuffmanDictionary(std::span<const std::uint8_t> bytes);

// The result of expanding: the bytes, and how many coded bytes they took (the last one
// perhaps in part).
struct HuffmanExpansion {
    std::vector<std::uint8_t> bytes;
    std::size_t codedBytesUsed = 0;
    bool ranOut = false; // the coded bytes ended before `length` bytes came out
};

// Expands `length` bytes from the coded bytes, bits taken from the lowest of each byte up.
HuffmanExpansion HuffmanExpand(const HuffmanDictionary& dictionary,
                               std::span<const std::uint8_t> coded, std::size_t length);

// Codes the bytes with the dictionary, the last byte filled up with zero bits. Raises
// "ERROR: byte 0xNN is not in the Huffman dictionary" for a byte that no leaf holds.
std::vector<std::uint8_t> HuffmanCode(const HuffmanDictionary& dictionary,
                                      std::span<const std::uint8_t> bytes);
