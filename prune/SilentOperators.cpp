#include "SilentOperators.h"

#include "Opl2Chip.h"
#include "RegisterMap.h"
#include "SongRender.h"

#include <algorithm>
#include <array>

namespace {
constexpr int kEnvelopeOff = 0x1FF;
constexpr int kSilentFrom = 0x180; // attenuation from which an operator puts out silence

enum class Kind : std::uint8_t { None, Level, Envelope, Waveform };

Kind KindOf(std::uint8_t reg) {
    switch (reg & 0xE0) {
    case 0x40:
        return Kind::Level;
    case 0x20: // tremolo, envelope type and key scaling: the envelope's bits of it
    case 0x60:
    case 0x80:
        return Kind::Envelope;
    case 0xE0:
        return Kind::Waveform;
    default:
        return Kind::None;
    }
}

// The operator of an operator register, -1 for the gaps between the offsets.
int OperatorOf(std::uint8_t reg) {
    const int offset = reg & 0x1F;
    if (offset >= 0x16 || (offset & 7) >= 6)
        return -1;
    return offset - 2 * (offset / 8);
}

// The last write of an operator register, watched until the register is written again; all
// zero (not open) until its register's first write.
struct Watch {
    std::size_t write;
    std::uint8_t value;
    bool open;   // watching a write
    bool silent; // and every sample so far was silence without it
    int level;   // for a level write: the lower total level of the two values
};

class SilenceWatcher {
public:
    explicit SilenceWatcher(std::size_t writes) : silent_(writes, false) {}

    // Before `write` (index `at`) reaches the chip.
    void Written(std::size_t at, const TimedWrite& write) {
        const std::uint8_t reg = write.reg;
        const std::uint8_t before = held_[reg];
        held_[reg] = write.val;
        if (reg >= 0xB0 && reg <= 0xB8 && (write.val & ~before & 0x20) != 0)
            KeyedOn(reg - 0xB0);
        if (reg == 0xBD && ((write.val ^ before) & 0x3F) != 0) {
            for (int channel : {6, 7, 8})
                KeyedOn(channel);
        }
        const Kind kind = KindOf(reg);
        const int op = OperatorOf(reg);
        if (kind == Kind::None || op < 0)
            return;
        std::uint8_t old = Close(reg);
        Watch& watch = watches_[reg];
        watch = {at, write.val, true, true, std::min(old & 0x3F, write.val & 0x3F)};
        // At rest a sine puts out -1 in its negative half, the other waveforms 0.
        if (kind == Kind::Waveform && ((old & 3) == 0 || (write.val & 3) == 0))
            watch.silent = false;
        // The multiplier and vibrato move the phase, which a sine at rest still shows.
        if ((reg & 0xE0) == 0x20 && ((old ^ write.val) & 0x4F) != 0)
            watch.silent = false;
        if (watch.silent)
            ++watching_[op];
    }

    // Before the chip makes its next sample.
    void Check(const Opl2Chip& chip) {
        for (int op = 0; op < Opl2Chip::kOperators; ++op) {
            if (watching_[op] == 0)
                continue;
            const Opl2Chip::OperatorEnvelope e = chip.Envelope(op);
            const int offset = op + 2 * (op / 6);
            auto keep = [&](int family, bool silence) {
                Watch& watch = watches_[family + offset];
                if (watch.open && watch.silent && !silence)
                    Lose(watch, op);
            };
            keep(0x40, e.envelope + 4 * watches_[0x40 + offset].level >= kSilentFrom);
            const bool off = !e.keyed && e.envelope == kEnvelopeOff;
            keep(0x20, off);
            keep(0x60, off);
            keep(0x80, off);
            keep(0xE0, e.envelope + 4 * e.totalLevel >= kSilentFrom);
        }
    }

    std::vector<bool> Finish() {
        for (int reg = 0; reg < kRegisterCount; ++reg)
            Close(static_cast<std::uint8_t>(reg));
        return std::move(silent_);
    }

private:
    // Ends the watch of a register; returns the value in force once flagged writes are gone.
    std::uint8_t Close(std::uint8_t reg) {
        Watch& watch = watches_[reg];
        if (watch.open) {
            watch.open = false;
            if (watch.silent) {
                silent_[watch.write] = true;
                --watching_[OperatorOf(reg)];
            } else {
                kept_[reg] = watch.value;
            }
        }
        return kept_[reg];
    }

    void Lose(Watch& watch, int op) {
        watch.silent = false;
        --watching_[op];
    }

    // A key-on reads the rates of both operators of the channel.
    void KeyedOn(int channel) {
        const int first = (channel / 3) * 8 + channel % 3;
        for (int offset : {first, first + 3}) {
            for (int family : {0x20, 0x60, 0x80}) {
                Watch& watch = watches_[family + offset];
                if (watch.open && watch.silent)
                    Lose(watch, OperatorOf(static_cast<std::uint8_t>(offset)));
            }
        }
    }

    std::vector<bool> silent_;
    PerRegister<Watch> watches_{};
    PerRegister<std::uint8_t> held_{}; // as the replay wrote them
    PerRegister<std::uint8_t> kept_{}; // in force once the flagged writes are gone
    std::array<int, Opl2Chip::kOperators> watching_{};
};
} // namespace

std::vector<bool> FindSilentOperatorWrites(const std::vector<TimedWrite>& writes, int tickRate,
                                           std::int32_t songLength) {
    const std::int64_t end = RenderLength(writes, tickRate, songLength);
    SilenceWatcher watcher(writes.size());
    Opl2Chip chip;
    std::size_t next = 0;
    std::int64_t position = 0;
    StepSong(
        writes, tickRate, next, position, end,
        [&](std::size_t at) {
            watcher.Written(at, writes[at]);
            chip.Write(writes[at].reg, writes[at].val);
        },
        [&](std::int64_t count) {
            for (; count > 0; --count) {
                watcher.Check(chip);
                chip.Sample();
            }
        });
    return watcher.Finish();
}
