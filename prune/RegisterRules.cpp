#include "RegisterRules.h"

#include "RegisterMap.h"
#include "Voice.h"
#include "WriteOrder.h"

namespace {
constexpr std::uint16_t kUnwritten = 256; // a register the song has not written yet
constexpr std::uint8_t kRhythmReg = 0xBD;
constexpr std::uint8_t kKeyBit = 0x20;
constexpr std::uint8_t kRhythmKeyBits = 0x3F; // rhythm mode and the five percussion keys
constexpr int kAllChannels = kMelodicVoices;  // past the channels: every key-on may read it

bool IsTimer(int reg) {
    return reg >= 0x02 && reg <= 0x04;
}
bool IsKeyReg(int reg) {
    return reg >= 0xB0 && reg <= 0xB8;
}

// What the chip makes of each register number.
struct RegisterTable {
    PerRegister<std::uint8_t> bits{}; // the bits the chip has
    PerRegister<std::int8_t> owner{}; // the channel whose key-on reads it; kAllChannels
    PerRegister<bool> reaches{};      // whether the register exists (0x00 does not)

    RegisterTable() {
        for (int reg = 0; reg < kRegisterCount; ++reg) {
            const auto r = static_cast<std::uint8_t>(reg);
            reaches[r] = IsChipRegister(r);
            bits[r] = 0xFF;
            const int family = reg & 0xE0;
            const int slotChannel = GetRegOperator(r) != 0 ? GetRegChannel(r, 0) : -1;
            if (family == 0xE0)
                bits[r] = 0x03; // waveform
            else if (reg >= 0xC0 && reg <= 0xC8)
                bits[r] = 0x0F; // feedback and connection
            else if (IsKeyReg(reg))
                bits[r] = 0x3F; // key, block, frequency high bits
            else if (reg == 0x08)
                bits[r] = 0xC0; // CSM and note select
            // Operators belong to their channel (in rhythm mode channels 6..8 to their drums,
            // whose keys count as key-ons of those channels); the waveform enable, the note
            // select and the rhythm register to every channel.
            owner[r] = -1;
            if (family >= 0x20 && family != 0xA0 && family != 0xC0 && slotChannel >= 0)
                owner[r] = static_cast<std::int8_t>(slotChannel);
            else if ((reg >= 0xA0 && reg <= 0xA8) || IsKeyReg(reg) || (reg >= 0xC0 && reg <= 0xC8))
                owner[r] = static_cast<std::int8_t>(reg & 0x0F);
            else if (reg == 0x01 || reg == 0x08 || reg == kRhythmReg)
                owner[r] = kAllChannels;
        }
    }
};
const RegisterTable kRegisters;

// The last kept write of a register at the time being read, while a later one may replace it.
// The rest is read only while `time` names one.
struct Pending {
    std::int64_t time = -1;      // -1: none
    std::size_t at;              // its index in the stream
    std::uint16_t before;        // the register's value before it (kUnwritten: none)
    std::uint16_t rawBefore;     // the same, with the bits the chip lacks
    std::uint32_t keyEventsAtIt; // key events of its owner channel when it was written
};

// The pass's memory of the chip, forgotten at a loop point.
struct ChipMemory {
    PerRegister<std::uint16_t> image, raw; // the kept writes' values: in the chip, as written
    PerRegister<Pending> pending{};
    std::array<std::uint32_t, kAllChannels + 1>
        keyEvents{}; // key events per channel; the last: any

    ChipMemory() {
        image.fill(kUnwritten);
        raw.fill(kUnwritten);
    }
};

// Keeps in each channel list only the writes whose flag in `keep` is set.
void KeepFlaggedWrites(TImfSong& song, const std::array<std::vector<bool>, 10>& keep) {
    for (std::size_t list = 0; list < keep.size(); ++list) {
        TInstructionList& writes = song.channels[list];
        TInstructionList kept;
        for (std::size_t i = 0; i < writes.size(); ++i) {
            if (keep[list][i])
                kept.push_back(writes[i]);
        }
        writes = std::move(kept);
    }
}
} // namespace

StreamDrops FindInaudibleWrites(std::span<const StreamWrite> writes,
                                const InaudibleOptions& options, const std::vector<bool>& silent,
                                std::size_t forgetAt) {
    StreamDrops result;
    DropCounts& counts = result.counts;
    std::vector<bool>& keep = result.keep;
    keep.assign(writes.size(), false);
    ChipMemory memory;
    auto& [image, raw, pending, keyEvents] = memory;

    for (std::size_t at = 0; at < writes.size(); ++at) {
        if (at == forgetAt)
            memory = ChipMemory();
        const StreamWrite& write = writes[at];
        const std::uint8_t reg = write.reg;
        const bool timer = IsTimer(reg);
        if (reg == 0) {
            ++counts.registerZero;
            continue;
        }
        if (!kRegisters.reaches[reg]) {
            ++counts.absent;
            continue;
        }
        if (timer && !options.keepTimers) {
            ++counts.timers;
            continue;
        }
        if (at < silent.size() && silent[at]) {
            ++counts.silent;
            continue;
        }
        const std::uint8_t val = write.val & kRegisters.bits[reg];
        const int owner = kRegisters.owner[reg];

        // A key event of this write: a key register's key bit, or the rhythm register's keys.
        // A pending write never changes a key bit, so the value held before it tells the same.
        const std::uint8_t held =
            image[reg] == kUnwritten ? 0 : static_cast<std::uint8_t>(image[reg]);
        bool event = false;
        if (IsKeyReg(reg)) {
            event = ((held ^ val) & kKeyBit) != 0;
            if (event) {
                ++keyEvents[reg - 0xB0];
                ++keyEvents[kAllChannels];
            }
        } else if (reg == kRhythmReg && ((held ^ val) & kRhythmKeyBits) != 0) {
            event = true; // a percussion key or the mode itself: keys channels 6..8 on or off
            for (int channel : {6, 7, 8, kAllChannels})
                ++keyEvents[channel];
        }

        Pending& last = pending[reg];
        if (last.time == write.time) {
            last.time = -1;
            // A key-on or key-off of its channel since the last write, this one included, read
            // it: MAME's emulator, for one, takes the rates from the settings of that moment.
            if (owner < 0 || keyEvents[owner] == last.keyEventsAtIt) {
                keep[last.at] = false;
                ++counts.overwritten;
                image[reg] = last.before;
                raw[reg] = last.rawBefore;
            }
        }

        const std::uint16_t current = image[reg];
        if (current == val && reg != 0x04) {
            ++(raw[reg] == write.val ? counts.repeated : counts.ignoredBits);
            continue;
        }
        keep[at] = true;
        if (!event && !timer)
            last = {write.time, at, current, raw[reg], owner >= 0 ? keyEvents[owner] : 0};
        image[reg] = val;
        raw[reg] = write.val;
    }
    return result;
}

DropCounts DropInaudibleWrites(TImfSong& song, const InaudibleOptions& options,
                               const std::vector<bool>& silent) {
    std::vector<StreamWrite> stream;
    std::vector<std::uint8_t> lists; // the list of each write of the stream
    WalkChannelLists(song, [&](const TInstruction& write, int list, std::uint8_t reg) {
        stream.push_back({write.globaltime, reg, write.val});
        lists.push_back(static_cast<std::uint8_t>(list));
    });
    StreamDrops drops = FindInaudibleWrites(stream, options, silent);
    // Each list's writes come in the walk in their own order.
    std::array<std::vector<bool>, 10> keep;
    for (std::size_t at = 0; at < stream.size(); ++at)
        keep[lists[at]].push_back(drops.keep[at]);
    KeepFlaggedWrites(song, keep);
    return drops.counts;
}
