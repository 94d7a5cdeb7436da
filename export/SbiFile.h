// SBI files: one instrument, a 32-byte name and 16 register bytes.
#pragma once

#include "InstrumentBank.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

inline constexpr std::string_view kSbiMagic{"SBI\x1A", 4};

std::vector<std::uint8_t> SbiBytes(const BankInstrument& instrument);
// Raises "ERROR: not an SBI instrument" for a wrong magic.
BankInstrument ReadSbi(std::span<const std::uint8_t> bytes);
