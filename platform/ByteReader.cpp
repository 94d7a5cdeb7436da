#include "ByteReader.h"

#include "ImfError.h"

std::size_t ByteReader::Take(std::size_t count) {
    if (bytes_.size() - position_ < count)
        throw ImfError("Error reading from stream");
    std::size_t at = position_;
    position_ += count;
    return at;
}

std::uint8_t ByteReader::U8() {
    return bytes_[Take(1)];
}

std::uint16_t ByteReader::U16() {
    std::size_t at = Take(2);
    return static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8);
}

std::uint32_t ByteReader::U32() {
    std::size_t at = Take(4);
    return static_cast<std::uint32_t>(bytes_[at]) |
           static_cast<std::uint32_t>(bytes_[at + 1]) << 8 |
           static_cast<std::uint32_t>(bytes_[at + 2]) << 16 |
           static_cast<std::uint32_t>(bytes_[at + 3]) << 24;
}
