#include "ChipEmulator.h"

#include "NameTable.h"
#include "Opl2Chip.h"

#include <adplug/emuopl.h>
#include <adplug/wemuopl.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <utility>

namespace {
constexpr NameTable<Emulator, 3> kEmulatorNames = {{
    {Emulator::Nuked, "nuked"},
    {Emulator::Dosbox, "dosbox"},
    {Emulator::Mame, "mame"},
}};

class NukedEmulator : public ChipEmulator {
public:
    void Write(std::uint8_t reg, std::uint8_t val) override { chip_.Write(reg, val); }
    void Generate(std::int16_t* out, std::size_t count) override {
        for (std::size_t i = 0; i < count; ++i)
            out[i] = chip_.Sample();
    }

private:
    Opl2Chip chip_;
};

// One of libadplug's own emulators, 16-bit mono at the chip's rate, so nothing is resampled.
// Their rhythm noise comes from the C library's rand(): each chip starts the sequence afresh, as
// a new process does, or a song would sound different after another song was rendered.
template <class Core> class AdplugEmulator : public ChipEmulator {
public:
    AdplugEmulator() : core_(Opl2Chip::kSampleRate, true, false) {
        std::srand(1);
        core_.init();
    }
    void Write(std::uint8_t reg, std::uint8_t val) override { core_.write(reg, val); }
    void Generate(std::int16_t* out, std::size_t count) override {
        // The cores take an int count; a render asks for a tick's samples at a time.
        for (std::size_t done = 0; done < count;) {
            const std::size_t part = std::min<std::size_t>(count - done, 1 << 16);
            core_.update(out + done, static_cast<int>(part));
            done += part;
        }
    }

private:
    Core core_;
};
} // namespace

std::optional<Emulator> ParseEmulator(const std::string& word) {
    return ValueOfName(kEmulatorNames, word);
}

const char* EmulatorName(Emulator emulator) {
    return NameOfValue(kEmulatorNames, emulator);
}

std::unique_ptr<ChipEmulator> MakeChipEmulator(Emulator emulator) {
    switch (emulator) {
    case Emulator::Dosbox:
        return std::make_unique<AdplugEmulator<CWemuopl>>();
    case Emulator::Mame:
        return std::make_unique<AdplugEmulator<CEmuopl>>();
    case Emulator::Nuked:
        break;
    }
    return std::make_unique<NukedEmulator>();
}
