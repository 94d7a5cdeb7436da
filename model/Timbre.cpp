#include "Timbre.h"

const std::array<TTimbre::Field, 12> TTimbre::kFields = {{
    {0x20, &TTimbre::r20},
    {0x23, &TTimbre::r23},
    {0x40, &TTimbre::r40},
    {0x43, &TTimbre::r43},
    {0x60, &TTimbre::r60},
    {0x63, &TTimbre::r63},
    {0x80, &TTimbre::r80},
    {0x83, &TTimbre::r83},
    {0xC0, &TTimbre::rC0},
    {0xE0, &TTimbre::rE0},
    {0xE3, &TTimbre::rE3},
    {0xA0, &TTimbre::rA0},
}};

int TTimbre::InitUndefined() {
    for (const Field& field : kFields)
        this->*field.member = kUndefined;
    return 0;
}

std::uint16_t* TTimbre::FieldFor(std::uint8_t reg) {
    for (const Field& field : kFields) {
        if (field.reg == reg)
            return &(this->*field.member);
    }
    return nullptr;
}

const std::uint16_t* TTimbre::FieldFor(std::uint8_t reg) const {
    return const_cast<TTimbre*>(this)->FieldFor(reg);
}

int TTimbre::Apply(std::uint8_t reg, std::uint8_t val) {
    if (std::uint16_t* field = FieldFor(reg))
        *field = val;
    return 0;
}

std::uint8_t TTimbre::AlreadyApplied(std::uint8_t reg, std::uint8_t val) const {
    const std::uint16_t* field = FieldFor(reg);
    return (field != nullptr && *field == val) ? 1 : 0;
}

int TTimbre::Diff(const TTimbre* other, std::uint8_t exact) const {
    if (other == nullptr)
        return -1;
    int count = 0;
    for (const Field& field : kFields) {
        std::uint16_t mine = this->*field.member;
        std::uint16_t theirs = other->*field.member;
        if (field.reg == 0x43 && exact == 0)
            count += ((mine & 0xC0) != (theirs & 0xC0)) ? 1 : 0;
        else if (field.reg == 0xA0 && exact == 0)
            continue;
        else
            count += (mine != theirs) ? 1 : 0;
    }
    return count;
}

TTimbre::LooseKey TTimbre::Key() const {
    LooseKey key{};
    std::size_t i = 0;
    for (const Field& field : kFields) {
        if (field.reg == 0xA0)
            continue;
        std::uint16_t value = this->*field.member;
        key[i++] = field.reg == 0x43 ? static_cast<std::uint16_t>(value & 0xC0) : value;
    }
    return key;
}
