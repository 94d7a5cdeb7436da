// What the fuzz targets accept as the end of one input: a normal return, or one of the system's
// own raised errors that bad input may rightly cause. Anything else aborts, so libFuzzer keeps
// the input as a crash.
#pragma once

#include "HeadlessSurface.h"
#include "ImfError.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace fuzzsupport {

// The raised errors that an input may cause:
// - "Error reading from stream": data cut short (a record, a block, a header or the sample of
//   the layout detection runs past the end);
// - "ERROR: no channel available": more notes sound at once than the allocator has channels
//   (during rhythm sections only channels 0..5);
// - "ERROR: KMF data too large: ...": a song whose block data does not fit the 16-bit size field;
// - "ERROR: song longer than 2147483647 ticks": delays that add up past the 32-bit song time.
// Not accepted, although raised by the system: the consistency errors that only a fault can
// cause ("ERROR: time travel paradox" and "ERROR: impossible delay value: " for a list out of
// time order, "bad track", "cannot find old track!", "cannot find new track!", "note start
// while note active", "note end while no note active").
inline bool IsAcceptedError(std::string_view message) {
    return message == "Error reading from stream" || message == "ERROR: no channel available" ||
           message.starts_with("ERROR: KMF data too large: ") ||
           message == "ERROR: song longer than 2147483647 ticks";
}

// Runs one step; a raised error that is not accepted ends the process with its message.
template <typename Step> void RunAccepting(Step step) {
    try {
        step();
    } catch (const ImfError& error) {
        if (IsAcceptedError(error.Message()))
            return;
        std::fprintf(stderr, "unexpected raised error: \"%s\"\n", error.what());
        std::abort();
    }
}

// No notices on the console and no report lines: a run makes millions of them.
class QuietSurface : public HeadlessSurface {
public:
    void Notify(const std::string&, int) override {}
};

inline void Silence() {
    InstallSurface(std::make_unique<QuietSurface>());
    if (std::freopen("/dev/null", "w", stdout) == nullptr)
        std::abort();
}

} // namespace fuzzsupport
