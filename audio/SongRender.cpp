#include "SongRender.h"

#include "ImfError.h"
#include "Opl2Chip.h"
#include "SongStream.h"

#include <algorithm>

namespace {
// Two hours of samples take 716 MB; a longer render is a broken song rather than music.
constexpr std::int64_t kLongestRenderSeconds = 2 * 60 * 60;
} // namespace

std::int64_t SampleOfTick(std::int64_t tick, int tickRate) {
    return tick * Opl2Chip::kSampleRate / tickRate;
}

std::int64_t RenderLength(const std::vector<TimedWrite>& writes, int tickRate,
                          std::int32_t songLength) {
    std::int32_t lastTick = songLength;
    for (const TimedWrite& write : writes)
        lastTick = std::max(lastTick, write.time);
    return SampleOfTick(std::max(lastTick, 0), tickRate) +
           std::int64_t{kTailSeconds} * Opl2Chip::kSampleRate;
}

bool RenderableLength(std::int64_t samples) {
    return samples <= kLongestRenderSeconds * Opl2Chip::kSampleRate;
}

SampleBuffer RenderWrites(const std::vector<TimedWrite>& writes, int tickRate,
                          std::int32_t songLength, VoiceSet muted, Emulator emulator) {
    if (tickRate <= 0)
        throw ImfError("ERROR: invalid tick rate: " + std::to_string(tickRate));
    std::int64_t end = RenderLength(writes, tickRate, songLength);
    if (!RenderableLength(end))
        throw ImfError("ERROR: song too long to render: " +
                       std::to_string(end / Opl2Chip::kSampleRate) + " seconds");

    SampleBuffer samples;
    samples.reserve(static_cast<std::size_t>(end));
    SongStream(writes, tickRate, 0, muted, emulator).RenderUntil(samples, end);
    return samples;
}

SampleBuffer RenderSong(const TImfSong& song, int tickRate, VoiceSet muted, Emulator emulator) {
    return RenderWrites(MergeChannelLists(song), tickRate, song.globaltime, muted, emulator);
}
