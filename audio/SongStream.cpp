#include "SongStream.h"

#include "SongRender.h"

#include <algorithm>

SongStream::SongStream(const std::vector<TimedWrite>& writes, int tickRate, std::int32_t startTick)
    : writes_(writes), tickRate_(tickRate) {
    startTick = std::max<std::int32_t>(startTick, 0);
    for (; next_ < writes_.size() && writes_[next_].time < startTick; ++next_)
        chip_.Write(writes_[next_].reg, writes_[next_].val);
    startSample_ = SampleOfTick(startTick, tickRate);
    position_ = startSample_;
}

void SongStream::RenderUntil(std::vector<std::int16_t>& out, std::int64_t end) {
    while (position_ < end) {
        // A write earlier than the samples already made is applied now: time cannot run back.
        while (next_ < writes_.size() &&
               SampleOfTick(std::max(writes_[next_].time, 0), tickRate_) <= position_) {
            chip_.Write(writes_[next_].reg, writes_[next_].val);
            ++next_;
        }
        std::int64_t until = end;
        if (next_ < writes_.size())
            until = std::min(until, SampleOfTick(std::max(writes_[next_].time, 0), tickRate_));
        for (; position_ < until; ++position_)
            out.push_back(chip_.Sample());
    }
}
