// GENMIDI banks (the "OP2" lump of DMX games): 128 General MIDI programs and 47 drums.
#pragma once

#include "InstrumentBank.h"

#include <cstdint>
#include <span>
#include <string_view>

inline constexpr std::string_view kOp2Magic{"#OPL_II#", 8};
constexpr int kOp2FirstDrumKey = 35; // the percussion entries are the keys 35..81

// The melodic list holds the 128 programs; the percussion list 128 entries by key, blank
// outside 35..81 (as a WOPL bank lays them out). Fixed notes, double voices, the second
// voice's fine-tune and both note offsets land in the WOPL fields of the same meaning, and
// `dmxPitch` says that the keys sound as DMX plays them. Raises "ERROR: not a GENMIDI bank" for
// a wrong magic and "Error reading from stream" for a file cut short.
InstrumentBank ReadOp2(std::span<const std::uint8_t> bytes);
