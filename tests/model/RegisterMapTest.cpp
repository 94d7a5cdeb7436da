#include "RegisterMap.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using testsupport::MessageOf;

TEST(RegisterMap, RegistersWithoutANeutralFormRaise) {
    EXPECT_EQ(MessageOf([] { NeutralizeReg(0xBD); }),
              "NeutralizeReg: invalid register number: 0xBD");
    EXPECT_EQ(MessageOf([] { NeutralizeReg(0x26); }),
              "NeutralizeReg: invalid register number: 0x26");
    EXPECT_EQ(MessageOf([] { DeNeutralizeReg(0x21, 0); }),
              "DeNeutralizeReg: invalid register number: 0x21");
    EXPECT_EQ(DeNeutralizeReg(0x21, 9), 0x21); // chip-wide registers stay as they are
}
