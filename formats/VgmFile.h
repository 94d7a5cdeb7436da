// VGM files (and VGZ, the same gzip-compressed): probe, reader and the version 1.51 writer.
#pragma once

#include "Capture.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A VGM file keeps time in samples of 1/44,100 s.
constexpr int kVgmSamplesPerSecond = 44100;

// Whether the bytes begin with "Vgm ".
bool IsVgm(std::span<const std::uint8_t> bytes);

// The capture in samples of 1/44,100 s, with the title, game and author of its GD3 tag. Writes
// to the OPL family (YM3812, YM3526, Y8950, YMF262, each once or twice) are kept; every other
// command the format defines is skipped by its length. Raises "ERROR: unknown VGM command 0x..
// at offset N" for a command byte the format does not define, and "Error reading from stream"
// for a command cut short.
Capture ReadVgm(std::span<const std::uint8_t> bytes);

// A VGZ file: gzip-compressed VGM. Raises "ERROR: gzip data that is not VGM" for other gzip data.
Capture ReadVgz(std::span<const std::uint8_t> bytes);
// The writes as a VGM 1.51 file for one YM3812, ticks of `rate` turned into samples, with the
// song's loop point; with a GD3 tag naming the title when it is not empty, else `tag` (a whole
// GD3 tag as read) when there is one. Raises "ERROR: song too long for VGM" past 2^32 samples.
std::vector<std::uint8_t> VgmBytes(const TickedWrites& song, int rate, const std::string& title,
                                   std::span<const std::uint8_t> tag = {});
