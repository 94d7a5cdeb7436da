// ChipEmulator: one of the OPL2 emulators a song can be rendered with, chosen by name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

// Nuked is the cycle-exact core and the judge of whether two songs sound the same; DOSBox's
// (Woody) and MAME's (fmopl) are what many players use, and read some registers at other
// moments.
enum class Emulator { Nuked, Dosbox, Mame };

// "nuked", "dosbox" or "mame"; nothing for any other word.
std::optional<Emulator> ParseEmulator(const std::string& word);
const char* EmulatorName(Emulator emulator);

// An emulator as a render uses it: writes applied at once, mono samples at Opl2Chip::kSampleRate.
class ChipEmulator {
public:
    virtual ~ChipEmulator() = default;
    virtual void Write(std::uint8_t reg, std::uint8_t val) = 0;
    // The next `count` mono samples.
    virtual void Generate(std::int16_t* out, std::size_t count) = 0;
};

std::unique_ptr<ChipEmulator> MakeChipEmulator(Emulator emulator);
