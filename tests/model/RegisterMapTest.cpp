#include "RegisterMap.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

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

// Every register number: its channel with and without rhythm, its operator, its neutral form and
// where that form lands on each channel, as a table committed beside this test.
TEST(RegisterMap, EveryRegisterMatchesTheLoggedTable) {
    std::ostringstream table;
    table << "reg  channel rhythm-channel operator neutral  on channels 0..9\n";
    for (int r = 0; r < kRegisterCount; ++r) {
        const auto reg = static_cast<std::uint8_t>(r);
        table << RegHex(reg) << "   " << GetRegChannel(reg, 0) << " " << GetRegChannel(reg, 1)
              << " " << GetRegOperator(reg);
        try {
            const std::uint8_t neutral = NeutralizeReg(reg);
            table << " " << RegHex(neutral) << " ";
            for (std::uint8_t channel = 0; channel < 10; ++channel)
                table << " " << RegHex(DeNeutralizeReg(neutral, channel));
        } catch (const ImfError&) {
            table << " --";
        }
        try {
            const std::uint8_t onChannel4 = DeNeutralizeReg(reg, 4);
            table << "  itself on channel 4: " << RegHex(onChannel4);
        } catch (const ImfError&) {
        }
        table << "\n";
    }
    EXPECT_EQ(testsupport::DifferenceFromLog(table.str(), "tests/model/register_map.txt"), "");
}
