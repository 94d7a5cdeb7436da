// Whole files in and out: reading a file's bytes, and replacing a file without ever truncating it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The bytes of the file; raises "ERROR: cannot read file: " + path when it cannot be read.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// Writes the bytes to a temporary file in the target's folder and renames it over the target
// once complete, so a failed save leaves an existing file as it was and no partial file behind.
// Raises "ERROR: cannot write file: " + path when that fails.
void WriteFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes);
