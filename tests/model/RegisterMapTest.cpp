#include "RegisterMap.h"
#include "ImfError.h"

#include <gtest/gtest.h>

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
