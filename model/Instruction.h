// TInstruction: one register write at one moment of song time, shared by reference.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>

struct TInstruction {
    std::uint8_t reg = 0;         // neutral form in channel lists and tracks, plain in list 0
    std::uint8_t val = 0;
    std::int32_t globaltime = 0;  // ticks
    std::int32_t index = 0;       // position in the input stream; 0 for generated writes

    // 32 for a write to the key register with the key-on bit set, else 0.
    int IsKeyOn() const { return reg == 0xB0 ? (val & 0x20) : 0; }
    int IsKeyOff() const { return (reg == 0xB0 && (val & 0x20) == 0) ? 1 : 0; }
    int IsKeyOnOff() const { return reg == 0xB0 ? 1 : 0; }
};

// One write object may stand in a channel list, in notes' extras, in tracks and in their clones
// at once; lists hold references and copying a list copies references only.
using InstructionRef = std::shared_ptr<TInstruction>;
using TInstructionList = std::deque<InstructionRef>;

inline InstructionRef MakeInstruction(std::uint8_t reg, std::uint8_t val, std::int32_t time,
                                      std::int32_t index = 0) {
    return std::make_shared<TInstruction>(TInstruction{reg, val, time, index});
}
