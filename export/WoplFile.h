// WOPL banks: the melodic and percussion sets of 128 instruments of OPL MIDI synthesisers.
#pragma once

#include "InstrumentBank.h"

#include <cstdint>
#include <span>
#include <vector>

inline constexpr std::string_view kWoplMagic{"WOPL3-BANK\0", 11};

// A version 3 file; each list is padded with blank instruments to whole sets of 128, and a
// set without a BankSet entry is named "" with bank number LSB = its index.
std::vector<std::uint8_t> WoplBytes(const InstrumentBank& bank);
// The version field of a WOPL file; 0 for a file too short to hold one.
std::uint16_t WoplVersion(std::span<const std::uint8_t> bytes);
// Reads versions 1 to 3. Raises "ERROR: not a WOPL bank" for a wrong magic and "Error reading
// from stream" for a file cut short.
InstrumentBank ReadWopl(std::span<const std::uint8_t> bytes);
