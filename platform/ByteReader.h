// ByteReader: little-endian numbers read from a byte buffer (a whole file or bytes in memory).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// A view over bytes that the caller keeps alive. Every read that would go past the end raises
// "Error reading from stream" and leaves the position unchanged.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint8_t U8();
    std::uint16_t U16();
    std::uint32_t U32();

    std::size_t Size() const { return bytes_.size(); }
    std::size_t Position() const { return position_; }
    bool AtEnd() const { return position_ >= bytes_.size(); }
    // Moves to an offset from the start; an offset past the end stands at the end.
    void Seek(std::size_t offset) { position_ = offset < bytes_.size() ? offset : bytes_.size(); }

private:
    // The position of `count` bytes that are there to read, advancing past them.
    std::size_t Take(std::size_t count);

    std::span<const std::uint8_t> bytes_;
    std::size_t position_ = 0;
};
