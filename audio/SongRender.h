// Rendering a song: its time-ordered register writes played through the OPL2 emulator.
#pragma once

#include "ChipEmulator.h"
#include "VoiceMute.h"
#include "WriteOrder.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Mono 16-bit samples at Opl2Chip::kSampleRate.
using SampleBuffer = std::vector<std::int16_t>;

// Seconds rendered after the last write (or the song's end, if later) so that release tails
// are heard.
constexpr int kTailSeconds = 2;

// The first sample of a tick. Computed from the tick count itself rather than summed per tick,
// so the fraction of a sample per tick never drifts over a long song.
std::int64_t SampleOfTick(std::int64_t tick, int tickRate);

// The steps in which a song is played: from sample `position` up to `end`, the writes due by the
// position (write(index); a write earlier than the samples already made is applied then, since
// time cannot run back), then samples(count) up to the next write's tick. `next` and `position`
// advance with the steps.
template <class Write, class Samples>
void StepSong(const std::vector<TimedWrite>& writes, int tickRate, std::size_t& next,
              std::int64_t& position, std::int64_t end, Write&& write, Samples&& samples) {
    auto sampleOf = [&](std::size_t at) {
        return SampleOfTick(std::max(writes[at].time, 0), tickRate);
    };
    while (position < end) {
        for (; next < writes.size() && sampleOf(next) <= position; ++next)
            write(next);
        std::int64_t until = end;
        if (next < writes.size())
            until = std::min(until, sampleOf(next));
        if (until > position) {
            samples(until - position);
            position = until;
        }
    }
}

// The number of samples RenderWrites makes of the writes (tickRate above 0).
std::int64_t RenderLength(const std::vector<TimedWrite>& writes, int tickRate,
                          std::int32_t songLength);
// Whether a render of that many samples is made: up to two hours.
bool RenderableLength(std::int64_t samples);

// Plays the writes (times in ticks, non-decreasing, real register numbers) from a freshly reset
// chip: all writes of a tick are applied in order before the tick's first sample. The render
// lasts until kTailSeconds after the later of the last write and songLength (ticks).
// Raises an error when the tick rate is not above 0 or the render would last over two hours.
// The muted voices never key on (see SilencedValue).
SampleBuffer RenderWrites(const std::vector<TimedWrite>& writes, int tickRate,
                          std::int32_t songLength = 0, VoiceSet muted = 0,
                          Emulator emulator = Emulator::Nuked);

// Plays a song's channel lists in the order the writers put them on disk; the render lasts
// until kTailSeconds after the song's length (globaltime) or its last write, if later.
SampleBuffer RenderSong(const TImfSong& song, int tickRate, VoiceSet muted = 0,
                        Emulator emulator = Emulator::Nuked);
