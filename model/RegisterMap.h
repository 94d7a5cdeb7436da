// The OPL2 register map: which channel and operator a register belongs to, and its neutral form.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// The chip decodes eight address bits: register numbers 0x00..0xFF.
constexpr int kRegisterCount = 256;

// One value kept for every register number.
template <class T> using PerRegister = std::array<T, kRegisterCount>;

// The channel 0..8 of a register; -1 for a chip-wide register (and for channels 6..8 while the
// rhythm flag is set); -2 for a register number without a known meaning.
int GetRegChannel(std::uint8_t reg, int rhythm);

// Whether the chip has a register at this number (0x00 and the gaps of the map have none).
bool IsChipRegister(std::uint8_t reg);

// The register that channel 0 uses for the same role (one of 13 neutral forms).
// Raises "NeutralizeReg: invalid register number: 0x.." for registers without one.
std::uint8_t NeutralizeReg(std::uint8_t reg);

// The register that a neutral-form register has on `channel`; a channel above 8 returns `reg`
// unchanged. Raises "DeNeutralizeReg: invalid register number: 0x.." for non-neutral registers.
std::uint8_t DeNeutralizeReg(std::uint8_t reg, std::uint8_t channel);

// Two upper-case hexadecimal digits.
std::string RegHex(std::uint8_t value);

// The operator of a register: 1 or 2 for operator registers, 0 for anything else.
int GetRegOperator(std::uint8_t reg);
