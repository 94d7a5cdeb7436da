// imftool as whole processes on the largest corpus song: the faithful and smallest modes of
// optimize against a plain convert to VGM, which reads and writes the same writes.
#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

namespace {
void RunTool(benchmark::State& state, const std::string& arguments) {
    const std::string song = benchsupport::LargestCorpusFile({".imf"});
    if (song.empty()) {
        state.SkipWithError("no song corpus");
        return;
    }
    const std::filesystem::path out =
        std::filesystem::temp_directory_path() / ("imf_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(out);
    const std::string command = std::string(IMF_TOOL) + " " + arguments + " '" + song + "' -o '" +
                                (out / "out.imf").string() + "' >/dev/null 2>&1";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError(("failed: " + command).c_str());
            break;
        }
    }
    std::filesystem::remove_all(out);
}
} // namespace

static void BM_ConvertToVgm(benchmark::State& state) {
    const std::string song = benchsupport::LargestCorpusFile({".imf"});
    const std::string out =
        (std::filesystem::temp_directory_path() / "imf_bench_convert.vgm").string();
    const std::string command =
        std::string(IMF_TOOL) + " convert '" + song + "' '" + out + "' >/dev/null 2>&1";
    for (auto _ : state) {
        if (song.empty() || std::system(command.c_str()) != 0) {
            state.SkipWithError("no song corpus, or convert failed");
            break;
        }
    }
    std::filesystem::remove(out);
}
BENCHMARK(BM_ConvertToVgm)->Unit(benchmark::kMillisecond);

static void BM_OptimizeFaithful(benchmark::State& state) {
    RunTool(state, "optimize --mode faithful");
}
BENCHMARK(BM_OptimizeFaithful)->Unit(benchmark::kMillisecond);

static void BM_OptimizeFaithfulDeep(benchmark::State& state) {
    RunTool(state, "optimize --mode faithful --deep");
}
BENCHMARK(BM_OptimizeFaithfulDeep)->Unit(benchmark::kMillisecond)->Iterations(2);

static void BM_OptimizeSmallest(benchmark::State& state) {
    RunTool(state, "optimize --mode smallest");
}
BENCHMARK(BM_OptimizeSmallest)->Unit(benchmark::kMillisecond)->Iterations(2);
