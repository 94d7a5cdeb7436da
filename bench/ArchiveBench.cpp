// The Commander Keen 4 audio archive: reading and sorting its chunks in the process, and
// `imftool archive list` and `extract` as whole processes (start, read, write, exit).
#include "AudioArchive.h"
#include "FileBytes.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {
const fs::path kKeen4 = fs::path(IMF_SOURCE_DIR) / "../shared/games/keen4";

void ReadArchive(benchmark::State& state) {
    for (auto _ : state) {
        std::vector<std::uint8_t> header = ReadFileBytes((kKeen4 / "AUDIOHHD.CK4").string());
        std::vector<std::uint8_t> data = ReadFileBytes((kKeen4 / "AUDIO.CK4").string());
        HuffmanDictionary dictionary =
            ReadHuffmanDictionary(ReadFileBytes((kKeen4 / "AUDIODCT.CK4").string()));
        AudioArchive archive = ReadAudioArchive(header, data, &dictionary);
        benchmark::DoNotOptimize(archive.chunks.data());
    }
}

// Runs imftool with the arguments, its output thrown away; the status must be 0.
void RunImftool(benchmark::State& state, std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {IMFTOOL_PATH, "archive"});
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = 0;
        int status = -1;
        if (posix_spawn(&pid, IMFTOOL_PATH, &actions, nullptr, argv.data(), environ) != 0 ||
            waitpid(pid, &status, 0) != pid || status != 0) {
            state.SkipWithError("imftool failed");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}
} // namespace

int main(int argc, char** argv) {
    const std::string header = (kKeen4 / "AUDIOHHD.CK4").string();
    const std::string data = (kKeen4 / "AUDIO.CK4").string();
    const std::string dict = (kKeen4 / "AUDIODCT.CK4").string();
    fs::path work = fs::temp_directory_path() / ("imfproc-bench-" + std::to_string(::getpid()));
    if (fs::exists(data)) {
        benchmark::RegisterBenchmark("ReadArchive/keen4", ReadArchive);
        benchmark::RegisterBenchmark(
            "ImftoolList/keen4", RunImftool,
            std::vector<std::string>{"list", header, data, "--dict", dict});
        benchmark::RegisterBenchmark(
            "ImftoolExtract/keen4", RunImftool,
            std::vector<std::string>{"extract", header, data, work.string(), "--dict", dict});
    } else {
        std::fprintf(stderr, "no Keen 4 archive at %s: nothing to measure\n",
                     kKeen4.string().c_str());
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(work);
    return 0;
}
