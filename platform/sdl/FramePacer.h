// Frame pacing: when the next frame is due, in whole milliseconds, for a given frame rate.
#pragma once

#include <cstdint>

// Each frame is due 1000/rate ms (integer part) after the previous one; the remainder of the
// division is carried and adds 1 ms whenever it sums to a whole. A frame that is late does not
// wait, and the next one counts from the moment it was shown.
class FramePacer {
public:
    void Start(int frameRate, std::uint64_t nowMs);
    // Called when a frame has been drawn at nowMs: how long to sleep before showing it.
    std::uint64_t Wait(std::uint64_t nowMs);

private:
    int rate_ = 60;
    int carried_ = 0;
    std::uint64_t previous_ = 0;
};
