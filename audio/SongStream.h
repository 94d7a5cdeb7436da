// A song played piece by piece from any tick: the samples of a render, made as they are needed.
#pragma once

#include "ChipEmulator.h"
#include "Voice.h"
#include "VoiceMute.h"
#include "WriteOrder.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// Plays time-ordered writes (times in ticks, real register numbers) through a freshly reset
// chip: all writes of a tick are applied in order before the tick's first sample. Started at a
// later tick, the writes before it are applied at once, without samples, so the chip holds
// the song's settings there (notes already sounding start their envelopes afresh).
class SongStream {
public:
    SongStream(const std::vector<TimedWrite>& writes, int tickRate, std::int32_t startTick = 0,
               VoiceSet muted = 0, Emulator emulator = Emulator::Nuked);

    // Silences the voices from now on: a newly muted voice that sounds is keyed off at once; an
    // unmuted one sounds again from its next key-on.
    void SetMuted(VoiceSet muted);
    VoiceSet Muted() const { return muted_; }

    // Appends samples to `out` until the stream's position reaches sample `end` (counted from
    // the song's start, not from the start tick).
    void RenderUntil(std::vector<std::int16_t>& out, std::int64_t end);

    // The next sample's position, counted from the song's start.
    std::int64_t Position() const { return position_; }
    // The first sample of the start tick.
    std::int64_t StartSample() const { return startSample_; }

private:
    void Write(std::uint8_t reg, std::uint8_t val);

    const std::vector<TimedWrite>& writes_;
    int tickRate_;
    std::size_t next_ = 0;
    std::int64_t startSample_ = 0;
    std::int64_t position_ = 0;
    std::unique_ptr<ChipEmulator> chip_;
    VoiceSet muted_ = 0;
    std::array<std::uint8_t, kMelodicVoices> keyRegisters_{}; // 0xB0..0xB8 as the song wrote them
    std::uint8_t rhythmRegister_ = 0;                         // 0xBD as the song wrote it
};
