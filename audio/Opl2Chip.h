// Opl2Chip: the Nuked OPL3 core of libadplug driven as an OPL2, one sample at a time.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

struct _opl3_chip;

// The emulator runs at the chip's own rate (the 14.318 MHz crystal divided by 288), so no
// resampling touches the sound. Writes take effect at once, before the next sample: the core's
// write buffer, which spreads writes over later samples, is never used. The OPL3 enable bit
// lives in the second register bank, which an 8-bit register number never reaches, so the core
// stays an OPL2; on top of it the chip's waveform-select enable (bit 5 of register 0x01) is
// honoured, which the OPL3 core ignores: while it is clear every operator plays a sine.
class Opl2Chip {
public:
    static constexpr int kSampleRate = 49716;

    Opl2Chip();
    ~Opl2Chip();
    Opl2Chip(const Opl2Chip&) = delete;
    Opl2Chip& operator=(const Opl2Chip&) = delete;

    void Write(std::uint8_t reg, std::uint8_t val);
    // The next mono sample.
    std::int16_t Sample();

    // The 18 operators, numbered in the order of their register offsets without the gaps
    // (offset 0x08 is operator 6, 0x10 operator 12).
    static constexpr int kOperators = 18;
    // One operator's envelope as the next sample will use it. Its output is silence (0, or -1
    // for a sine in its negative half) while envelope + 4 * totalLevel is 0x180 or more: the
    // key scaling and tremolo only add to the attenuation.
    struct OperatorEnvelope {
        int envelope;   // attenuation of the envelope generator, 0 to 0x1FF (fully off)
        int totalLevel; // 0 to 63
        bool keyed;     // by its channel's key or a percussion key
    };
    OperatorEnvelope Envelope(int op) const;

private:
    void WriteWaveform(std::uint8_t reg);

    std::unique_ptr<_opl3_chip> chip_;
    bool waveformSelect_ = false;
    std::array<std::uint8_t, 0x16> waveforms_{}; // registers 0xE0..0xF5 as last written
};
