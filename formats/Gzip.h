// Gzip data in memory, for VGZ files (zlib).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Whether the bytes begin with the gzip magic 1F 8B.
bool IsGzip(std::span<const std::uint8_t> bytes);

// The uncompressed bytes. Raises "ERROR: damaged gzip data" for data that does not inflate and
// "ERROR: gzip data larger than N bytes" past `limit`.
std::vector<std::uint8_t> Gunzip(std::span<const std::uint8_t> bytes, std::size_t limit);

// The bytes compressed as one gzip member.
std::vector<std::uint8_t> Gzip(std::span<const std::uint8_t> bytes);
