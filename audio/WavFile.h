// WAV files: mono 16-bit PCM.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The whole file: the 44-byte RIFF header followed by the samples, little-endian.
std::vector<std::uint8_t> WavBytes(const std::vector<std::int16_t>& samples, int sampleRate);

// Writes the file as the song writers do, replacing it only once it is complete ("-": standard
// output); raises "ERROR: cannot write file: " + path when that fails.
void SaveWav(const std::string& path, const std::vector<std::int16_t>& samples, int sampleRate);
