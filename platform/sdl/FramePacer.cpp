#include "FramePacer.h"

void FramePacer::Start(int frameRate, std::uint64_t nowMs) {
    rate_ = frameRate > 0 ? frameRate : 60;
    carried_ = 0;
    previous_ = nowMs;
}

std::uint64_t FramePacer::Wait(std::uint64_t nowMs) {
    std::uint64_t interval = 1000 / rate_;
    carried_ += 1000 % rate_;
    if (carried_ >= rate_) {
        carried_ -= rate_;
        ++interval;
    }
    const std::uint64_t due = previous_ + interval;
    if (nowMs >= due) {
        previous_ = nowMs;
        return 0;
    }
    previous_ = due;
    return due - nowMs;
}
