// DRO files (DOSBox captures), versions 1 and 2: probe, reader, and the version 2 writer.
#pragma once

#include "Capture.h"

#include <cstdint>
#include <span>
#include <vector>

// A DRO file keeps time in milliseconds.
constexpr int kDroUnitsPerSecond = 1000;

// Whether the bytes begin with "DBRAWOPL".
bool IsDro(std::span<const std::uint8_t> bytes);

// The capture in milliseconds. Version 1 files whose register dump at the start was written
// without escapes are read again with it taken as writes when only that reading matches the
// header's length. Raises "Error reading from stream" for data cut short and "ERROR: ..." for
// an unknown version, a compressed file or a register index outside the code map.
Capture ReadDro(std::span<const std::uint8_t> bytes);

// The writes as a DRO version 2 file for one OPL2, ticks of `rate` turned into milliseconds.
// Raises "ERROR: song too long for DRO" past 2^32 ms.
std::vector<std::uint8_t> DroBytes(const TickedWrites& song, int rate);
