// IBK banks: 128 instruments of 16 register bytes and 128 names of 9 bytes.
#pragma once

#include "InstrumentBank.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

inline constexpr std::string_view kIbkMagic{"IBK\x1A", 4};
constexpr std::size_t kIbkInstruments = 128;

// The melodic instruments, then the percussion ones, in 128 records (the rest empty). Raises
// "ERROR: too many timbres for an IBK bank: N (at most 128)" when they do not fit.
std::vector<std::uint8_t> IbkBytes(const InstrumentBank& bank);
// The 128 records as melodic instruments. Raises "ERROR: not an IBK bank" for a wrong magic.
InstrumentBank ReadIbk(std::span<const std::uint8_t> bytes);
