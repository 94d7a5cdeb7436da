// The instruments a MIDI file plays with unless told otherwise: the Freedoom project's OPL2
// General MIDI bank (GENMIDI format, BSD-3-Clause), carried inside the program.
#pragma once

#include <cstdint>
#include <span>

// The bank file's bytes (data/freedoom-genmidi-opl2.op2).
std::span<const std::uint8_t> DefaultBankBytes();
