#include "WriteOrder.h"
#include "ListSongs.h"

#include <gtest/gtest.h>

using testsupport::SongWith;

namespace {
std::vector<std::array<int, 3>> Order(const TImfSong& song) {
    std::vector<std::array<int, 3>> order;
    for (const TimedWrite& w : MergeChannelLists(song))
        order.push_back({w.time, w.reg, w.val});
    return order;
}
} // namespace

TEST(WriteOrder, TiesGoToTheLowerListUnlessBothWritesCameFromTheInput) {
    // Generated writes (index 0) at one tick: list order.
    EXPECT_EQ(Order(SongWith({{7, 0xA0, 1, 4}, {0, 0x08, 2, 4}, {3, 0xA0, 3, 4}})),
              (std::vector<std::array<int, 3>>{{4, 0x08, 2}, {4, 0xA2, 3}, {4, 0xA6, 1}}));
    // Input writes at one tick: input order, whatever their lists.
    EXPECT_EQ(Order(SongWith({{0, 0x08, 1, 4, 9}, {3, 0xA0, 2, 4, 5}, {7, 0xA0, 3, 4, 2}})),
              (std::vector<std::array<int, 3>>{{4, 0xA6, 3}, {4, 0xA2, 2}, {4, 0x08, 1}}));
    // A generated write against an input write: list order; earlier times always first.
    EXPECT_EQ(Order(SongWith({{0, 0x08, 1, 4, 0}, {3, 0xA0, 2, 4, 5}, {4, 0xA0, 3, 2, 7}})),
              (std::vector<std::array<int, 3>>{{2, 0xA3, 3}, {4, 0x08, 1}, {4, 0xA2, 2}}));
    EXPECT_EQ(Order(SongWith({{0, 0x08, 1, 4, 9}, {3, 0xA0, 2, 4, 0}})),
              (std::vector<std::array<int, 3>>{{4, 0x08, 1}, {4, 0xA2, 2}}));
}
