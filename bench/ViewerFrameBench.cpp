// Building one viewer frame of a dense corpus song zoomed out to the whole song: the rows of
// View (channel lists) and ViewNotes (voices), with and without difference mode, the pointer
// over a note so that the info box is drawn too. The headless surface draws nothing, so this is
// the viewer's own cost per frame; a real window adds the backend's drawing.
#include "ImfFile.h"
#include "NoteViewer.h"
#include "SongFormats.h"
#include "Surface.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <string>

namespace {

// Runs `work` with the console quiet: loading and rebuilding notes print a line for every
// unused key-off, thousands for some songs.
template <typename Work> void Quietly(Work work) {
    benchsupport::QuietConsole quiet;
    work();
}

struct CorpusRows {
    TNoteRows rows;
    std::int32_t length = 0;
};

// The rows of View (voices false) or ViewNotes (voices true) for a corpus song, built once.
const CorpusRows* RowsOf(const std::string& name, bool voices) {
    static std::map<std::pair<std::string, bool>, CorpusRows> cache;
    auto key = std::make_pair(name, voices);
    if (auto found = cache.find(key); found != cache.end())
        return &found->second;
    std::string path = std::string(IMF_CORPUS_DIR) + "/" + name;
    if (!std::filesystem::is_regular_file(path))
        return nullptr;
    CorpusRows& built = cache[key];
    Quietly([&] {
        TImfSong song;
        LoadFile(song, path);
        built.rows = voices ? VoiceRows(song, built.length) : ChannelRows(song, built.length);
    });
    return &built;
}

void BM_ViewerFrame(benchmark::State& state, const char* name) {
    const CorpusRows* song = RowsOf(name, state.range(0) != 0);
    if (song == nullptr) {
        state.SkipWithError("song corpus not found at " IMF_CORPUS_DIR);
        return;
    }
    const TNoteRows& rows = song->rows;
    Surface& screen = Screen();
    screen.OpenWindow(screen.ScreenWidth() - 80, screen.ScreenHeight() - 80, 60);
    TViewerState view =
        InitialViewerState(screen.WindowWidth(), screen.WindowHeight(), rows.size(), song->length);
    view.difference = state.range(1) != 0;
    std::size_t notes = 0;
    for (const TNoteList& row : rows)
        notes += row.size();
    // The pointer on the first bar of the first row that has one.
    int py = 0;
    for (const TNoteList& row : rows) {
        if (!row.empty())
            break;
        py += 15;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(DrawNoteFrame(rows, view, 0, py));
    state.counters["notes"] = static_cast<double>(notes);
    state.counters["ticksPerPixel"] = view.ticksPerPixel;
}

} // namespace

// The song with the most notes, and the one with the most writes per tick. Arguments: rows
// (0: View's channel lists, 1: ViewNotes' voices) and difference mode (0 off, 1 on).
BENCHMARK_CAPTURE(BM_ViewerFrame, arrakis, "arrakis_sdb.imf")
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"voices", "difference"})
    ->Unit(benchmark::kMicrosecond);
BENCHMARK_CAPTURE(BM_ViewerFrame, vib_vol3, "vib_vol3_d00.imf")
    ->ArgsProduct({{0, 1}, {0, 1}})
    ->ArgNames({"voices", "difference"})
    ->Unit(benchmark::kMicrosecond);
