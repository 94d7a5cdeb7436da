#include "Timbre.h"

#include <gtest/gtest.h>

TEST(Timbre, LooseComparisonLooksAtTheLevelsKeyScaleOnlyAndSkipsTheFrequency) {
    TTimbre a, b;
    a.Apply(0x43, 0x40);
    b.Apply(0x43, 0x7F); // the same key scale, another level
    a.Apply(0xA0, 0x44);
    b.Apply(0xA0, 0x45);
    a.Apply(0x20, 0x01);
    b.Apply(0x20, 0x01);
    EXPECT_EQ(a.Diff(b, 0), 0);
    EXPECT_EQ(a.Diff(b, 1), 2);
    EXPECT_EQ(a.Key(), b.Key());
    b.Apply(0x43, 0xBF); // another key scale
    b.Apply(0x60, 0xF0);
    EXPECT_EQ(a.Diff(b, 0), 2);
    EXPECT_EQ(a.Diff(b, 1), 3);
    EXPECT_NE(a.Key(), b.Key());
    EXPECT_EQ(a.Diff(nullptr, 1), -1);
}
