// What the fuzz targets accept as the end of one input: a normal return, or one of the system's
// own raised errors that bad input may rightly cause. Anything else aborts, so libFuzzer keeps
// the input as a crash.
#pragma once

#include "Console.h"
#include "HeadlessSurface.h"
#include "ImfError.h"

#include <cstddef>
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

// The size cap of both targets. Every path of the readers and of the pipeline is reached well
// below it (a full KMF block of 255 writes is 512 bytes; the layout detection samples 168 bytes;
// ten notes at once exhaust the channels), while the time of one input grows with its size; a
// cap of 512 bytes reached fewer edges. Only the size limits themselves lie beyond it (a song
// time past 2^31 ticks needs 128 KiB of IMF, more than 65,535 bytes of KMF blocks about 64 KiB):
// tests/robustness holds those cases.
constexpr std::size_t kMaxInput = 1024;

// No notices on the console and no report lines: a run makes millions of them.
class QuietSurface : public HeadlessSurface {
public:
    void Notify(const std::string&, int) override {}
};

inline void Silence() {
    InstallSurface(std::make_unique<QuietSurface>());
    SetConsoleQuiet(true);
    if (std::freopen("/dev/null", "w", stdout) == nullptr)
        std::abort();
}

} // namespace fuzzsupport
