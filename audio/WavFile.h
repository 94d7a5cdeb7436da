// WAV files: mono 16-bit PCM.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The whole file: the 44-byte RIFF header followed by the samples, little-endian.
std::vector<std::uint8_t> WavBytes(const std::vector<std::int16_t>& samples, int sampleRate);

// Writes the file; false when the path cannot be opened for writing or the write fails.
bool SaveWav(const std::string& path, const std::vector<std::int16_t>& samples, int sampleRate);
