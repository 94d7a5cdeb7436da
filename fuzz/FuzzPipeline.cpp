// libFuzzer target: the whole headless pipeline on inputs of at most fuzzsupport::kMaxInput
// bytes. Load, split into tracks, greedy allocation through the optimize pass as the main flow
// runs it (reserved 1, depth -1, grouping 1), forced for an odd number of 4-byte records, save
// in the input's format, reload.
#include "FuzzSupport.h"
#include "ImfFile.h"
#include "KmfFile.h"
#include "Optimize.h"
#include "SongFormats.h"
#include "SplitTracks.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {
void SaveAndReload(const TImfSong& song, SongFileLayout layout) {
    std::vector<std::uint8_t> saved;
    if (layout == SongFileLayout::Kmf)
        saved = KmfBytes(song, 0);
    else
        saved = ImfBytes(song, layout == SongFileLayout::ImfLengthWord ? 1 : 0);
    TImfSong reloaded;
    LoadFromBytes(reloaded, saved);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::Silence();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > fuzzsupport::kMaxInput)
        return -1; // not kept in the corpus
    using fuzzsupport::RunAccepting;
    TImfSong song;
    SongFileLayout layout = SongFileLayout::ImfHeaderless;
    bool loaded = false;
    RunAccepting([&] {
        layout = LoadFromBytes(song, std::span<const std::uint8_t>(data, size));
        loaded = true;
    });
    if (!loaded)
        return 0;
    // Forced or not by the input's length in records: one pass per input, both across inputs.
    const std::uint8_t force = (size / 4) % 2;
    RunAccepting([&] {
        Optimize(song, 1, -1, 1, force);
        SaveAndReload(song, layout);
    });
    return 0;
}
