// imftool optimize as a whole, in the process: read the song, interpret it, optimise it, report,
// write the output. Standard output goes to /dev/null meanwhile, as in a script that keeps only
// the files; the song is the corpus's with the most key-offs of voices that were not sounding.
#include "ImftoolMain.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

// Standard output pointed at /dev/null for the holder's lifetime.
class DiscardedOutput {
public:
    DiscardedOutput() {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        ::dup2(null, STDOUT_FILENO);
        ::close(null);
    }
    ~DiscardedOutput() {
        std::fflush(stdout);
        ::dup2(saved_, STDOUT_FILENO);
        ::close(saved_);
    }
    DiscardedOutput(const DiscardedOutput&) = delete;
    DiscardedOutput& operator=(const DiscardedOutput&) = delete;

private:
    int saved_;
};

// Runs `imftool optimize OPTIONS SONG -o OUT` on the corpus song for every iteration.
void RunOptimize(benchmark::State& state, const std::string& song,
                 const std::vector<std::string>& options) {
    const std::string input = std::string(IMF_CORPUS_DIR) + "/" + song;
    if (!std::filesystem::exists(input)) {
        state.SkipWithError(("no corpus song " + song).c_str());
        return;
    }
    const std::string output = (std::filesystem::temp_directory_path() /
                                ("bench_tool_" + std::to_string(::getpid()) + ".imf"))
                                   .string();
    std::vector<std::string> words = {"imftool", "optimize"};
    words.insert(words.end(), options.begin(), options.end());
    words.insert(words.end(), {input, "-o", output});
    int status = 0;
    {
        DiscardedOutput discarded;
        for (auto _ : state) {
            std::vector<char*> argv;
            for (std::string& word : words)
                argv.push_back(word.data());
            status = ImftoolMain(static_cast<int>(argv.size()), argv.data());
        }
    }
    std::filesystem::remove(output);
    if (status != 0)
        state.SkipWithError("imftool optimize failed");
}

void BM_OptimizeForce(benchmark::State& state) {
    RunOptimize(state, "vib_vol3_d00.imf", {"--force"});
}

// The same with every warning line written, as imfproc writes them.
void BM_OptimizeForceVerbose(benchmark::State& state) {
    RunOptimize(state, "vib_vol3_d00.imf", {"--force", "--verbose"});
}

BENCHMARK(BM_OptimizeForce)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OptimizeForceVerbose)->Unit(benchmark::kMillisecond);

} // namespace
