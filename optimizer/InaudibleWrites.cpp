#include "InaudibleWrites.h"

#include "RegisterMap.h"
#include "WriteOrder.h"

namespace {
constexpr std::uint16_t kUnwritten = 256; // a register the song has not written yet
constexpr std::uint8_t kNoteSelectReg = 0x08;
constexpr std::uint8_t kRhythmReg = 0xBD;
constexpr std::uint8_t kKeyBit = 0x20;
constexpr std::uint8_t kRhythmKeyBits = 0x3F; // rhythm mode and the five percussion keys
constexpr int kAllChannels = 9;               // the latch channel of 0x08: any key-on reads it

bool IsTimer(int reg) {
    return reg >= 0x02 && reg <= 0x04;
}
bool IsKeyReg(int reg) {
    return reg >= 0xB0 && reg <= 0xB8;
}

// What the chip makes of each register number.
struct RegisterTable {
    std::array<std::uint8_t, 256> bits{};        // the bits the chip has
    std::array<std::uint8_t, 256> latched{};     // the bits a key-on of its channel reads
    std::array<std::int8_t, 256> latchChannel{}; // that channel; kAllChannels for 0x08
    std::array<bool, 256> reaches{};             // whether the register exists (0x00 does not)

    RegisterTable() {
        constexpr int kSlotChannel[22] = {0, 1, 2, 0,  1,  2, -1, -1, 3, 4, 5,
                                          3, 4, 5, -1, -1, 6, 7,  8,  6, 7, 8};
        for (int reg = 0; reg < 256; ++reg) {
            const auto r = static_cast<std::uint8_t>(reg);
            reaches[r] = GetRegChannel(r, 0) != -2;
            bits[r] = 0xFF;
            latchChannel[r] = -1;
            const int family = reg & 0xE0, offset = reg & 0x1F;
            const int slotChannel = offset < 22 ? kSlotChannel[offset] : -1;
            if (family == 0xE0)
                bits[r] = 0x03; // waveform
            else if (reg >= 0xC0 && reg <= 0xC8)
                bits[r] = 0x0F; // feedback and connection
            else if (IsKeyReg(reg))
                bits[r] = 0x3F; // key, block, frequency high bits
            else if (reg == kNoteSelectReg)
                bits[r] = 0xC0; // CSM and note select
            if (family == 0x60 && slotChannel >= 0)
                latched[r] = 0xFF; // attack and decay rates
            else if (family == 0x20 && slotChannel >= 0)
                latched[r] = 0x10; // key-scale rate
            else if ((reg >= 0xA0 && reg <= 0xA8) || IsKeyReg(reg))
                latched[r] = 0xFF & ~kKeyBit; // block and frequency: the key-scale rate's input
            else if (reg == kNoteSelectReg)
                latched[r] = 0x40;
            if (latched[r] != 0)
                latchChannel[r] =
                    static_cast<std::int8_t>(reg == kNoteSelectReg                ? kAllChannels
                                             : (family == 0x20 || family == 0x60) ? slotChannel
                                                                                  : reg & 0x0F);
        }
    }
};
const RegisterTable kRegisters;

// The last kept write of a register in the tick being read, while a later one may replace it.
struct Pending {
    std::int64_t time = -1; // -1: none
    int list = 0;
    std::size_t at = 0;           // its flag in the keep flags of its list
    std::uint16_t before = 0;     // the register's value before it (kUnwritten: none)
    std::uint16_t rawBefore = 0;  // the same, with the bits the chip lacks
    std::uint32_t keyOnsAtIt = 0; // key-ons of its latch channel when it was written
};
} // namespace

DropCounts& DropCounts::operator+=(const DropCounts& other) {
    repeated += other.repeated;
    overwritten += other.overwritten;
    ignoredBits += other.ignoredBits;
    unreachable += other.unreachable;
    silent += other.silent;
    return *this;
}

DropCounts DropInaudibleWrites(TImfSong& song, const InaudibleOptions& options,
                               const std::vector<bool>& silent) {
    DropCounts counts;
    std::array<std::uint16_t, 256> image, raw; // the kept writes' values: in the chip, as written
    image.fill(kUnwritten);
    raw.fill(kUnwritten);
    std::array<Pending, 256> pending{};
    std::array<std::uint32_t, kAllChannels + 1> keyOns{}; // per channel; the last one: all
    std::array<std::vector<bool>, 10> keep;
    for (std::size_t list = 0; list < keep.size(); ++list)
        keep[list].reserve(song.channels[list].size());
    std::size_t position = 0;

    WalkChannelLists(song, [&](const TInstruction& write, int list, std::uint8_t reg) {
        std::vector<bool>& flags = keep[static_cast<std::size_t>(list)];
        flags.push_back(false);
        const bool silenced = position < silent.size() && silent[position];
        ++position;
        const bool timer = IsTimer(reg);
        if (!kRegisters.reaches[reg] || (timer && !options.keepTimers)) {
            ++counts.unreachable;
            return;
        }
        if (silenced) {
            ++counts.silent;
            return;
        }
        const std::uint8_t val = write.val & kRegisters.bits[reg];
        const int latchChannel = kRegisters.latchChannel[reg];

        Pending& last = pending[reg];
        if (last.time == write.globaltime) {
            last.time = -1;
            // A key-on since the last write read its latched bits: it stays unless they are the
            // ones it found.
            const std::uint16_t before = last.before == kUnwritten ? 0 : last.before;
            const bool read = latchChannel >= 0 && keyOns[latchChannel] != last.keyOnsAtIt &&
                              ((image[reg] ^ before) & kRegisters.latched[reg]) != 0;
            if (!read) {
                keep[last.list][last.at] = false;
                ++counts.overwritten;
                image[reg] = last.before;
                raw[reg] = last.rawBefore;
            }
        }

        const std::uint16_t current = image[reg];
        if (current == val && reg != 0x04) {
            ++(raw[reg] == write.val ? counts.repeated : counts.ignoredBits);
            return;
        }
        const std::uint8_t held = current == kUnwritten ? 0 : static_cast<std::uint8_t>(current);
        bool event = false;
        if (IsKeyReg(reg)) {
            event = ((held ^ val) & kKeyBit) != 0;
            if (event && (val & kKeyBit) != 0) {
                ++keyOns[reg - 0xB0];
                ++keyOns[kAllChannels];
            }
        } else if (reg == kRhythmReg && ((held ^ val) & kRhythmKeyBits) != 0) {
            event = true; // a percussion key or the mode itself: keys channels 6..8 on or off
            for (int channel : {6, 7, 8, kAllChannels})
                ++keyOns[channel];
        }
        flags.back() = true;
        if (!event && !timer)
            last = {write.globaltime, list,     flags.size() - 1,
                    current,          raw[reg], latchChannel >= 0 ? keyOns[latchChannel] : 0};
        image[reg] = val;
        raw[reg] = write.val;
    });
    KeepFlaggedWrites(song, keep);
    return counts;
}

std::int64_t KeepFlaggedWrites(TImfSong& song, const std::array<std::vector<bool>, 10>& keep) {
    std::int64_t removed = 0;
    for (std::size_t list = 0; list < keep.size(); ++list) {
        TInstructionList& writes = song.channels[list];
        TInstructionList kept;
        for (std::size_t i = 0; i < writes.size(); ++i) {
            if (keep[list][i])
                kept.push_back(writes[i]);
        }
        removed += static_cast<std::int64_t>(writes.size() - kept.size());
        writes = std::move(kept);
    }
    return removed;
}
