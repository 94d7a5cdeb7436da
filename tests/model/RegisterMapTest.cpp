#include "ImfError.h"
#include "RegisterMap.h"

#include <gtest/gtest.h>

#include <set>

TEST(RegisterMap, ClassifiesEveryRegisterWithAndWithoutRhythm) {
    int invalid = 0, global = 0, channel = 0, moved = 0;
    std::set<int> neutralForms;
    for (int r = 0; r < 256; ++r) {
        auto reg = static_cast<std::uint8_t>(r);
        int plain = GetRegChannel(reg, 0);
        int rhythm = GetRegChannel(reg, 1);
        if (plain == -2) {
            ++invalid;
            EXPECT_EQ(rhythm, -2) << r;
            EXPECT_THROW(NeutralizeReg(reg), ImfError) << r;
            continue;
        }
        if (plain == -1) {
            ++global;
            EXPECT_EQ(rhythm, -1) << r;
            continue;
        }
        ++channel;
        if (rhythm != plain) {
            ++moved;
            EXPECT_EQ(rhythm, -1);
            EXPECT_GE(plain, 6);
        }
        std::uint8_t neutral = NeutralizeReg(reg);
        neutralForms.insert(neutral);
        EXPECT_EQ(DeNeutralizeReg(neutral, static_cast<std::uint8_t>(plain)), reg) << r;
    }
    EXPECT_EQ(global, 6);
    EXPECT_EQ(moved, 39);
    EXPECT_EQ(channel, 5 * 18 + 27);
    EXPECT_EQ(invalid, 256 - 6 - channel);
    EXPECT_EQ(neutralForms, (std::set<int>{0x20, 0x23, 0x40, 0x43, 0x60, 0x63, 0x80, 0x83, 0xA0,
                                           0xB0, 0xC0, 0xE0, 0xE3}));
}

TEST(RegisterMap, ChannelExamples) {
    EXPECT_EQ(GetRegChannel(0xBD, 0), -1);
    EXPECT_EQ(GetRegChannel(0xBD, 1), -1);
    EXPECT_EQ(GetRegChannel(0xB6, 0), 6);
    EXPECT_EQ(GetRegChannel(0xB6, 1), -1);
    EXPECT_EQ(GetRegChannel(0x33, 0), 6);
    EXPECT_EQ(GetRegChannel(0x33, 1), -1);
    EXPECT_EQ(GetRegChannel(0x2A, 0), 5);
    EXPECT_EQ(GetRegChannel(0x2A, 1), 5);
    EXPECT_EQ(GetRegChannel(0xC8, 0), 8);
    EXPECT_EQ(GetRegChannel(0xC8, 1), -1);
    EXPECT_EQ(GetRegChannel(0xF5, 0), 8);
    EXPECT_EQ(GetRegChannel(0x08, 0), -1);
    for (int reg : {0x05, 0x26, 0xF6, 0xA9, 0xD0, 0x00})
        EXPECT_EQ(GetRegChannel(static_cast<std::uint8_t>(reg), 0), -2) << reg;
}

TEST(RegisterMap, NeutralFormsAndTheirErrors) {
    EXPECT_EQ(NeutralizeReg(0x35), 0x23);
    EXPECT_EQ(NeutralizeReg(0x4B), 0x43);
    EXPECT_EQ(NeutralizeReg(0xF5), 0xE3);
    EXPECT_EQ(NeutralizeReg(0xA5), 0xA0);
    EXPECT_EQ(NeutralizeReg(0xB8), 0xB0);
    try {
        NeutralizeReg(0xBD);
        FAIL() << "no error raised";
    } catch (const ImfError& error) {
        EXPECT_EQ(error.Message(), "NeutralizeReg: invalid register number: 0xBD");
        EXPECT_EQ(error.Status(), 255);
    }
    EXPECT_THROW(NeutralizeReg(0x01), ImfError);
    EXPECT_THROW(NeutralizeReg(0x26), ImfError);

    EXPECT_EQ(DeNeutralizeReg(0x23, 8), 0x35);
    EXPECT_EQ(DeNeutralizeReg(0x40, 3), 0x48);
    EXPECT_EQ(DeNeutralizeReg(0xE3, 5), 0xED);
    EXPECT_EQ(DeNeutralizeReg(0xA0, 8), 0xA8);
    EXPECT_EQ(DeNeutralizeReg(0x21, 9), 0x21);
    try {
        DeNeutralizeReg(0x21, 0);
        FAIL() << "no error raised";
    } catch (const ImfError& error) {
        EXPECT_EQ(error.Message(), "DeNeutralizeReg: invalid register number: 0x21");
    }
    EXPECT_EQ(RegHex(10), "0A");
    EXPECT_EQ(RegHex(255), "FF");
}
