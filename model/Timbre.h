// TTimbre: the twelve instrument registers of one channel, each a value or undefined (256).
#pragma once

#include <array>
#include <cstdint>

struct TTimbre {
    static constexpr std::uint16_t kUndefined = 256;

    std::uint16_t r20 = 0, r23 = 0, r40 = 0, r43 = 0, r60 = 0, r63 = 0;
    std::uint16_t r80 = 0, r83 = 0, rC0 = 0, rE0 = 0, rE3 = 0, rA0 = 0;

    // The twelve fields in field order, with the neutral register each one holds.
    struct Field {
        std::uint8_t reg;
        std::uint16_t TTimbre::*member;
    };
    static const std::array<Field, 12> kFields;

    int InitUndefined();
    // Stores a write to one of the twelve timbre registers; other registers are ignored.
    int Apply(std::uint8_t reg, std::uint8_t val);
    // 1 when the field of a timbre register already holds `val`; 0 otherwise.
    std::uint8_t AlreadyApplied(std::uint8_t reg, std::uint8_t val) const;
    // Number of differing registers; -1 when `other` is null. With `exact` 0, register 0x43 is
    // compared on its top two bits only and 0xA0 is not compared.
    int Diff(const TTimbre* other, std::uint8_t exact) const;
    int Diff(const TTimbre& other, std::uint8_t exact) const { return Diff(&other, exact); }
    TTimbre Clone() const { return *this; }

    // The field of a neutral timbre register, or null for any other register.
    std::uint16_t* FieldFor(std::uint8_t reg);
    const std::uint16_t* FieldFor(std::uint8_t reg) const;

    // The fields as Diff with `exact` 0 compares them (0xA0 left out, 0x43 on its top two bits):
    // two timbres have equal keys exactly when that Diff is 0, so keys can index timbres.
    using LooseKey = std::array<std::uint16_t, 11>;
    LooseKey Key() const;

    bool operator==(const TTimbre&) const = default;
};
