#include "Opl2Chip.h"

extern "C" {
#include <adplug/nukedopl.h>
}

namespace {
constexpr std::uint8_t kTestRegister = 0x01;
constexpr std::uint8_t kWaveformSelectBit = 0x20;
constexpr std::uint8_t kFirstWaveform = 0xE0;
constexpr std::uint8_t kLastWaveform = 0xF5;
} // namespace

Opl2Chip::Opl2Chip() : chip_(std::make_unique<_opl3_chip>()) {
    OPL3_Reset(chip_.get(), kSampleRate);
}

Opl2Chip::~Opl2Chip() = default;

void Opl2Chip::Write(std::uint8_t reg, std::uint8_t val) {
    if (reg >= kFirstWaveform && reg <= kLastWaveform) {
        waveforms_[reg - kFirstWaveform] = val;
        WriteWaveform(reg);
        return;
    }
    OPL3_WriteReg(chip_.get(), reg, val);
    if (reg == kTestRegister && ((val & kWaveformSelectBit) != 0) != waveformSelect_) {
        waveformSelect_ = !waveformSelect_;
        for (int r = kFirstWaveform; r <= kLastWaveform; ++r)
            WriteWaveform(static_cast<std::uint8_t>(r));
    }
}

void Opl2Chip::WriteWaveform(std::uint8_t reg) {
    std::uint8_t val = waveformSelect_ ? waveforms_[reg - kFirstWaveform] : 0;
    OPL3_WriteReg(chip_.get(), reg, val);
}

std::int16_t Opl2Chip::Sample() {
    // Without the OPL3 enable both outputs carry the same mix; the left one is the mono signal.
    Bit16s frame[2];
    OPL3_Generate(chip_.get(), frame);
    return frame[0];
}

Opl2Chip::OperatorEnvelope Opl2Chip::Envelope(int op) const {
    const _opl3_slot& slot = chip_->slot[op];
    return {slot.eg_rout, slot.reg_tl, slot.key != 0};
}
