#include "SongStream.h"

#include "SongRender.h"

#include <algorithm>

SongStream::SongStream(const std::vector<TimedWrite>& writes, int tickRate, std::int32_t startTick,
                       VoiceSet muted, Emulator emulator)
    : writes_(writes), tickRate_(tickRate), chip_(MakeChipEmulator(emulator)), muted_(muted) {
    startTick = std::max<std::int32_t>(startTick, 0);
    for (; next_ < writes_.size() && writes_[next_].time < startTick; ++next_)
        Write(writes_[next_].reg, writes_[next_].val);
    startSample_ = SampleOfTick(startTick, tickRate);
    position_ = startSample_;
}

void SongStream::RenderUntil(std::vector<std::int16_t>& out, std::int64_t end) {
    StepSong(
        writes_, tickRate_, next_, position_, end,
        [&](std::size_t at) { Write(writes_[at].reg, writes_[at].val); },
        [&](std::int64_t count) {
            const std::size_t from = out.size();
            out.resize(from + static_cast<std::size_t>(count));
            chip_->Generate(out.data() + from, out.size() - from);
        });
}

void SongStream::Write(std::uint8_t reg, std::uint8_t val) {
    if (reg >= 0xB0 && reg <= 0xB8)
        keyRegisters_[reg - 0xB0] = val;
    if (reg == 0xBD)
        rhythmRegister_ = val;
    chip_->Write(reg, SilencedValue(reg, val, muted_));
}

void SongStream::SetMuted(VoiceSet muted) {
    VoiceSet newly = muted & ~muted_;
    muted_ = muted;
    for (int channel = 0; channel < 9; ++channel) {
        if ((newly >> channel & 1) && (keyRegisters_[channel] & 0x20))
            chip_->Write(static_cast<std::uint8_t>(0xB0 + channel),
                         SilencedValue(static_cast<std::uint8_t>(0xB0 + channel),
                                       keyRegisters_[channel], muted));
    }
    if (newly >> 9)
        chip_->Write(0xBD, SilencedValue(0xBD, rhythmRegister_, muted));
}
