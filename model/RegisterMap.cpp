#include "RegisterMap.h"

#include "Console.h"
#include "ImfError.h"

namespace {
// Slot offset (reg AND 0x1F) to channel and operator; -1 marks offsets without an operator.
constexpr int kSlotChannel[32] = {0,  1,  2,  0,  1,  2,  -1, -1, 3,  4,  5,  3,  4,  5,  -1, -1,
                                  6,  7,  8,  6,  7,  8,  -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};
constexpr int kSlotOperator[32] = {1, 1, 1, 2, 2, 2, 0, 0, 1, 1, 1, 2, 2, 2, 0, 0,
                                   1, 1, 1, 2, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

bool IsOperatorFamily(std::uint8_t reg) {
    switch (reg & 0xE0) {
    case 0x20:
    case 0x40:
    case 0x60:
    case 0x80:
    case 0xE0:
        return true;
    default:
        return false;
    }
}
} // namespace

int GetRegChannel(std::uint8_t reg, int rhythm) {
    if (IsOperatorFamily(reg)) {
        int channel = kSlotChannel[reg & 0x1F];
        if (channel < 0)
            return -2;
        return (channel >= 6 && rhythm != 0) ? -1 : channel;
    }
    if ((reg & 0xE0) == 0xA0 || (reg & 0xE0) == 0xC0) {
        if (reg == 0xBD)
            return -1;
        int channel = reg & 0x0F;
        if (channel <= 8 && (reg & 0xF0) <= 0xC0)
            return (channel >= 6 && rhythm != 0) ? -1 : channel;
        return -2;
    }
    switch (reg) {
    case 0x01:
    case 0x02:
    case 0x03:
    case 0x04:
    case 0x08:
        return -1;
    default:
        return -2;
    }
}

bool IsChipRegister(std::uint8_t reg) {
    return GetRegChannel(reg, 0) != -2;
}

int GetRegOperator(std::uint8_t reg) {
    return IsOperatorFamily(reg) ? kSlotOperator[reg & 0x1F] : 0;
}

std::uint8_t NeutralizeReg(std::uint8_t reg) {
    if (IsOperatorFamily(reg) && kSlotChannel[reg & 0x1F] >= 0)
        return static_cast<std::uint8_t>((reg & 0xE0) + (kSlotOperator[reg & 0x1F] == 2 ? 3 : 0));
    if (((reg & 0xE0) == 0xA0 || (reg & 0xE0) == 0xC0) && reg != 0xBD && (reg & 0xF0) != 0xD0 &&
        (reg & 0x0F) <= 8)
        return reg & 0xF0;
    throw ImfError("NeutralizeReg: invalid register number: 0x" + RegHex(reg));
}

std::uint8_t DeNeutralizeReg(std::uint8_t reg, std::uint8_t channel) {
    if (channel > 8)
        return reg;
    if (IsOperatorFamily(reg) && ((reg & 0x1F) == 0 || (reg & 0x1F) == 3)) {
        int offset = channel < 3 ? channel : channel < 6 ? channel + 5 : channel + 10;
        return static_cast<std::uint8_t>(reg + offset);
    }
    if (reg == 0xA0 || reg == 0xB0 || reg == 0xC0)
        return static_cast<std::uint8_t>(reg + channel);
    throw ImfError("DeNeutralizeReg: invalid register number: 0x" + RegHex(reg));
}

std::string RegHex(std::uint8_t value) { return HexDigits(value, 8).substr(6); }
