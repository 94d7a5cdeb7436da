// What a listener hears, tick by tick: the keyed-on channel states that two register streams give.
#pragma once

#include "ImfSong.h"
#include "RegisterMap.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

// One write to the chip, with its real register number.
struct ChipWrite {
    std::int32_t time = 0;
    std::uint8_t reg = 0;
    std::uint8_t val = 0;
};

// The writes of a song as read from a file, in file order (by input position). The writes that
// rhythm-mode switches add (position 0) only repeat current values; they go first in their tick.
inline std::vector<ChipWrite> WritesInInputOrder(const TImfSong& song) {
    struct Positioned {
        ChipWrite write;
        std::int32_t index;
    };
    std::vector<Positioned> all;
    for (std::size_t list = 0; list < song.channels.size(); ++list) {
        for (const InstructionRef& i : song.channels[list]) {
            std::uint8_t reg =
                list == 0 ? i->reg : DeNeutralizeReg(i->reg, static_cast<std::uint8_t>(list - 1));
            all.push_back({{i->globaltime, reg, i->val}, i->index});
        }
    }
    std::stable_sort(all.begin(), all.end(), [](const Positioned& a, const Positioned& b) {
        return a.write.time != b.write.time ? a.write.time < b.write.time : a.index < b.index;
    });
    std::vector<ChipWrite> writes;
    writes.reserve(all.size());
    for (const Positioned& p : all)
        writes.push_back(p.write);
    return writes;
}

// The thirteen registers that make a channel's sound: key and frequency, the other channel
// registers and both operators' registers, in neutral order. A never-written register reads 0.
using ChannelState = std::array<std::uint8_t, 13>;

inline ChannelState StateOf(const std::array<std::uint8_t, 256>& image, int channel) {
    static const std::uint8_t kNeutral[13] = {0xB0, 0xA0, 0xC0, 0x20, 0x23, 0x40, 0x43,
                                              0x60, 0x63, 0x80, 0x83, 0xE0, 0xE3};
    ChannelState state{};
    for (int i = 0; i < 13; ++i)
        state[i] = image[DeNeutralizeReg(kNeutral[i], static_cast<std::uint8_t>(channel))];
    return state;
}

inline std::string Describe(const ChannelState& state) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text;
    for (std::uint8_t value : state) {
        text += kDigits[value >> 4];
        text += kDigits[value & 15];
    }
    return text;
}

// What sounds at the end of a tick: the keyed-on melodic channel states, channel numbers aside
// (sorted), and while rhythm mode is on the states of channels 6 to 8 as they are.
inline std::vector<std::string> SoundingAt(const std::array<std::uint8_t, 256>& image) {
    const bool rhythm = (image[0xBD] & 0x20) != 0;
    std::vector<std::string> melodic;
    for (int channel = 0; channel < (rhythm ? 6 : 9); ++channel) {
        ChannelState state = StateOf(image, channel);
        if (state[0] & 0x20)
            melodic.push_back(Describe(state));
    }
    std::sort(melodic.begin(), melodic.end());
    if (rhythm) {
        for (int channel = 6; channel < 9; ++channel)
            melodic.push_back("rhythm " + Describe(StateOf(image, channel)));
    }
    return melodic;
}

// The ticks, from `from` on, at whose end `a` and `b` sound differently (at most `maxReports`,
// each described); empty when they sound the same note for note.
inline std::vector<std::string> SoundDifferences(const std::vector<ChipWrite>& a,
                                                 const std::vector<ChipWrite>& b, std::int32_t from,
                                                 std::size_t maxReports = 5) {
    std::array<std::uint8_t, 256> imageA{}, imageB{};
    std::vector<std::string> reports;
    std::size_t ia = 0, ib = 0;
    auto join = [](const std::vector<std::string>& states) {
        std::string text;
        for (const std::string& s : states)
            text += " " + s;
        return text;
    };
    while ((ia < a.size() || ib < b.size()) && reports.size() < maxReports) {
        std::int32_t tick = ia < a.size() ? a[ia].time : b[ib].time;
        if (ib < b.size())
            tick = std::min(tick, b[ib].time);
        for (; ia < a.size() && a[ia].time <= tick; ++ia)
            imageA[a[ia].reg] = a[ia].val;
        for (; ib < b.size() && b[ib].time <= tick; ++ib)
            imageB[b[ib].reg] = b[ib].val;
        if (tick < from)
            continue;
        std::vector<std::string> soundA = SoundingAt(imageA), soundB = SoundingAt(imageB);
        if (soundA != soundB)
            reports.push_back("tick " + std::to_string(tick) + ":" + join(soundA) + " /" +
                              join(soundB));
    }
    return reports;
}

} // namespace testsupport
