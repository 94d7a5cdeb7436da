#include "WriteOrder.h"
#include "FormatsTestSupport.h"
#include "SongFeed.h"

#include <gtest/gtest.h>

using testsupport::Feed;
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
}

TEST(WriteOrder, ValuesWrittenAfterRhythmModeSwitchesOnWin) {
    // Channel 7's frequency written before and after the switch in one tick: the channel list
    // holds the old value, list 0 the new one (and a copy of the old one made at the switch).
    TImfSong song;
    Feed(song, {{0xA0, 0x55}, {0xA7, 0x10}, {0xBD, 0x20}, {0xA7, 0x20, 3}});
    std::vector<std::array<int, 3>> order = Order(song);
    int last = -1;
    for (const auto& write : order) {
        if (write[1] == 0xA7)
            last = write[2];
    }
    EXPECT_EQ(last, 0x20);
    // The input's own order is kept: the old value, the switch, the new value.
    std::vector<std::array<int, 3>> input;
    for (const auto& write : order) {
        if (write[1] == 0xBD || write[2] == 0x20 || write[2] == 0x10)
            input.push_back(write);
    }
    EXPECT_EQ(input, (std::vector<std::array<int, 3>>{
                         {0, 0xA7, 0x10}, {0, 0xA7, 0x10}, {0, 0xBD, 0x20}, {0, 0xA7, 0x20}}));
}
