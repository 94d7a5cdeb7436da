// RAW files (Rdos captures): probe and reader.
#pragma once

#include "Capture.h"

#include <cstdint>
#include <span>

// Whether the bytes begin with "RAWADATA".
bool IsRaw(std::span<const std::uint8_t> bytes);

// The capture in units of 1/1,193,180 s (the PIT's input clock): a wait of n periods of a
// clock c lasts n * c units. Raises "Error reading from stream" for a pair or clock cut short.
Capture ReadRaw(std::span<const std::uint8_t> bytes);
