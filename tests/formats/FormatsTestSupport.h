// Helpers of the file format tests: songs built list by list, and plain decoders of the two
// formats that serve as an independent check of what the writers put on disk.
#pragma once

#include "ImfError.h"
#include "ImfSong.h"
#include "RegisterMap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

namespace testsupport {

// The message of the error that the action raises.
inline std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ImfError& error) {
        return error.Message();
    }
    return "(nothing raised)";
}

// One write placed directly in a channel list (list 1..9: neutral registers).
struct ListWrite {
    int list;
    std::uint8_t reg;
    std::uint8_t val;
    std::int32_t time;
    std::int32_t index = 0;
};

inline TImfSong SongWith(std::initializer_list<ListWrite> writes, std::int32_t length = 0) {
    TImfSong song;
    song.InitRead();
    for (const ListWrite& w : writes)
        song.channels[w.list].push_back(MakeInstruction(w.reg, w.val, w.time, w.index));
    song.globaltime = length;
    return song;
}

// A write as a file stores it: tick, real register, value.
struct RawWrite {
    std::int64_t tick;
    std::uint8_t reg;
    std::uint8_t val;
    bool operator==(const RawWrite&) const = default;
};

struct RawSong {
    std::vector<RawWrite> writes; // without the register 0 records
    std::int64_t length = 0;      // the sum of all delays or pauses
};

// The records of an IMF file, with or without its length word.
inline RawSong DecodeImf(const std::vector<std::uint8_t>& bytes, bool lengthWord) {
    RawSong song;
    std::size_t at = lengthWord ? 2 : 0;
    std::size_t end = lengthWord ? 2 + (bytes[0] | bytes[1] << 8) : bytes.size();
    for (; at + 4 <= end; at += 4) {
        if (bytes[at] != 0)
            song.writes.push_back({song.length, bytes[at], bytes[at + 1]});
        song.length += bytes[at + 2] | bytes[at + 3] << 8;
    }
    return song;
}

inline RawSong DecodeKmf(const std::vector<std::uint8_t>& bytes) {
    RawSong song;
    std::size_t end = 8 + (bytes[6] | bytes[7] << 8);
    for (std::size_t at = 8; at + 2 <= end;) {
        int count = bytes[at];
        int pause = bytes[at + 1];
        at += 2;
        for (int i = 0; i < count; ++i, at += 2)
            song.writes.push_back({song.length, bytes[at], bytes[at + 1]});
        song.length += pause;
    }
    return song;
}

// The image of the registers that the song model knows, at the end of each tick from `from` on,
// is the same in both streams.
inline ::testing::AssertionResult SameRegistersAtEveryTick(const std::vector<RawWrite>& expected,
                                                           const std::vector<RawWrite>& actual,
                                                           std::int64_t from) {
    std::array<int, 256> a, b;
    a.fill(-1);
    b.fill(-1);
    std::size_t i = 0, j = 0;
    while (i < expected.size() || j < actual.size()) {
        std::int64_t tick = INT64_MAX;
        if (i < expected.size())
            tick = expected[i].tick;
        if (j < actual.size())
            tick = std::min(tick, actual[j].tick);
        for (; i < expected.size() && expected[i].tick == tick; ++i)
            a[expected[i].reg] = expected[i].val;
        for (; j < actual.size() && actual[j].tick == tick; ++j)
            b[actual[j].reg] = actual[j].val;
        if (tick < from)
            continue;
        for (int reg = 0; reg < 256; ++reg) {
            if (GetRegChannel(static_cast<std::uint8_t>(reg), 0) != -2 && a[reg] != b[reg])
                return ::testing::AssertionFailure()
                       << "register " << RegHex(static_cast<std::uint8_t>(reg)) << " at tick "
                       << tick << ": expected " << a[reg] << ", got " << b[reg];
        }
    }
    return ::testing::AssertionSuccess();
}

// The channel lists as (list, register, value, time), for comparing two songs.
inline std::vector<std::array<std::int32_t, 4>> ListContents(const TImfSong& song) {
    std::vector<std::array<std::int32_t, 4>> contents;
    for (int list = 0; list < 10; ++list)
        for (const InstructionRef& i : song.channels[list])
            contents.push_back({list, i->reg, i->val, i->globaltime});
    return contents;
}

} // namespace testsupport
