// Gzip data in memory: a round trip, the size limit, damaged and cut data.
#include "Gzip.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using testsupport::MessageOf;
using Bytes = std::vector<std::uint8_t>;

TEST(Gzip, RoundTripLimitAndDamage) {
    Bytes data(200000);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i * i >> 7);
    const Bytes packed = Gzip(data);
    EXPECT_TRUE(IsGzip(packed));
    EXPECT_FALSE(IsGzip(data));
    EXPECT_FALSE(IsGzip(Bytes{0x1F}));
    EXPECT_FALSE(IsGzip(Bytes{0x8B, 0x1F}));
    EXPECT_TRUE(IsGzip(Bytes{0x1F, 0x8B})); // the magic alone
    EXPECT_EQ(Gunzip(packed, data.size() + 1), data);
    EXPECT_EQ(Gunzip(Gzip({}), 1), Bytes{});
    // The limit is looked at between pieces of 64 KiB.
    EXPECT_EQ(MessageOf([&] { Gunzip(packed, 65536); }),
              "ERROR: gzip data larger than 65536 bytes");
    Bytes cut(packed.begin(), packed.end() - 1);
    EXPECT_EQ(MessageOf([&] { Gunzip(cut, data.size() + 1); }), "ERROR: damaged gzip data");
    Bytes damaged = packed;
    damaged[packed.size() - 5] ^= 1; // the CRC
    EXPECT_EQ(MessageOf([&] { Gunzip(damaged, data.size() + 1); }), "ERROR: damaged gzip data");
}
