#include "ViewerPlayback.h"

#include "Opl2Chip.h"
#include "SongRender.h"
#include "Surface.h"
#include "TickRate.h"

#include <algorithm>

namespace {
// How far the samples made run ahead of those heard: a quarter of a second.
constexpr std::int64_t kAheadSamples = Opl2Chip::kSampleRate / 4;
} // namespace

ViewerPlayback::ViewerPlayback(std::vector<TimedWrite> writes, int tickRate, std::int32_t length)
    : writes_(std::move(writes)), tickRate_(tickRate > 0 ? tickRate : kDefaultTickRate) {
    std::int32_t last = std::max<std::int32_t>(length, 0);
    for (const TimedWrite& write : writes_)
        last = std::max(last, write.time);
    endSample_ = SampleOfTick(last, tickRate_) + std::int64_t{kTailSeconds} * Opl2Chip::kSampleRate;
}

ViewerPlayback::~ViewerPlayback() {
    Stop();
}

bool ViewerPlayback::Start(std::int32_t tick) {
    Stop();
    stream_ = std::make_unique<SongStream>(writes_, tickRate_, tick, muted_);
    buffer_.clear();
    stream_->RenderUntil(buffer_, std::min(endSample_, stream_->Position() + kAheadSamples));
    if (buffer_.empty() ||
        !Screen().QueueSamples(buffer_.data(), buffer_.size(), Opl2Chip::kSampleRate)) {
        stream_.reset();
        return false;
    }
    return true;
}

void ViewerPlayback::Stop() {
    if (!stream_)
        return;
    Screen().StopSamples();
    stream_.reset();
}

void ViewerPlayback::Feed() {
    if (!stream_)
        return;
    std::int64_t heard = stream_->StartSample() + Screen().PlayedSamples();
    if (heard >= endSample_) {
        Stop();
        return;
    }
    std::int64_t target = std::min(endSample_, heard + kAheadSamples);
    if (stream_->Position() >= target)
        return;
    buffer_.clear();
    stream_->RenderUntil(buffer_, target);
    Screen().QueueSamples(buffer_.data(), buffer_.size(), Opl2Chip::kSampleRate);
}

std::int32_t ViewerPlayback::HeardTick() const {
    if (!stream_)
        return 0;
    std::int64_t heard = stream_->StartSample() + Screen().PlayedSamples();
    // The tick whose first sample is the one heard, or the next: rounding up undoes the
    // rounding down of SampleOfTick, so the start tick is heard as itself.
    return static_cast<std::int32_t>((heard * tickRate_ + Opl2Chip::kSampleRate - 1) /
                                     Opl2Chip::kSampleRate);
}

void ViewerPlayback::SetMuted(VoiceSet muted) {
    muted_ = muted;
    if (stream_)
        stream_->SetMuted(muted);
}
