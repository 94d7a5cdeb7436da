#include "Instruction.h"
#include "Timbre.h"

#include <gtest/gtest.h>

TEST(Instruction, KeyTests) {
    TInstruction on{0xB0, 0x31, 0, 0};
    EXPECT_EQ(on.IsKeyOn(), 32);
    EXPECT_EQ(on.IsKeyOff(), 0);
    EXPECT_EQ(on.IsKeyOnOff(), 1);
    TInstruction off{0xB0, 0x11, 0, 0};
    EXPECT_EQ(off.IsKeyOn(), 0);
    EXPECT_EQ(off.IsKeyOff(), 1);
    TInstruction other{0xB3, 0x31, 0, 0};
    EXPECT_EQ(other.IsKeyOn() + other.IsKeyOff() + other.IsKeyOnOff(), 0);
}

TEST(Timbre, ApplyAndAlreadyApplied) {
    TTimbre timbre;
    timbre.InitUndefined();
    TTimbre before = timbre;
    timbre.Apply(0xB0, 0x20);
    timbre.Apply(0x21, 0x20);
    EXPECT_EQ(timbre, before);
    EXPECT_EQ(timbre.AlreadyApplied(0x20, 0), 0);
    timbre.Apply(0x20, 0);
    EXPECT_EQ(timbre.AlreadyApplied(0x20, 0), 1);
    for (int v = 0; v < 256; ++v)
        EXPECT_EQ(timbre.AlreadyApplied(0xB0, static_cast<std::uint8_t>(v)), 0);

    TTimbre clone = timbre.Clone();
    clone.Apply(0x23, 7);
    EXPECT_EQ(timbre.r23, TTimbre::kUndefined);
    EXPECT_EQ(clone.r23, 7);
}

TEST(Timbre, DiffWithExactAndLooseComparison) {
    TTimbre undefinedA, undefinedB, defined;
    undefinedA.InitUndefined();
    undefinedB.InitUndefined();
    EXPECT_EQ(undefinedA.Diff(undefinedB, 0), 0);
    EXPECT_EQ(undefinedA.Diff(undefinedB, 1), 0);
    EXPECT_EQ(undefinedA.Diff(defined, 1), 12);
    EXPECT_EQ(undefinedA.Diff(defined, 0), 10); // r43 = 0: top bits clear like 256
    defined.r43 = 0x80;
    EXPECT_EQ(undefinedA.Diff(defined, 0), 11);
    EXPECT_EQ(undefinedA.Diff(nullptr, 0), -1);
    EXPECT_EQ(undefinedA.Diff(nullptr, 1), -1);

    TTimbre a, b;
    a.r43 = 0x45;
    b.r43 = 0x7F;
    b.rA0 = 0x99;
    EXPECT_EQ(a.Diff(b, 0), 0);
    EXPECT_EQ(a.Diff(b, 1), 2);
}
