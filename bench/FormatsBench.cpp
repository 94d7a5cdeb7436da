// Loading and saving songs, against the time to merely read the file's bytes: a song of 65,536
// writes made here, the largest song of the corpus and its largest KMF file. And each real
// capture (DRO, RAW, VGM) converted to IMF, against loading an IMF file of the same writes.
#include "FileBytes.h"
#include "ImfError.h"
#include "ImfFile.h"
#include "KmfFile.h"
#include "SongFormats.h"
#include "SongSource.h"

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {
// Headerless IMF: nine channels each playing notes with a timbre change before every note.
std::vector<std::uint8_t> MakeSong(int writes) {
    std::vector<std::uint8_t> bytes(4, 0);
    auto record = [&](int reg, int val, int delay) {
        bytes.insert(bytes.end(), {static_cast<std::uint8_t>(reg), static_cast<std::uint8_t>(val),
                                   static_cast<std::uint8_t>(delay), 0});
    };
    for (int note = 0; static_cast<int>(bytes.size()) < 4 + 4 * writes; ++note) {
        int channel = note % 9;
        int op = channel % 3 + 8 * (channel / 3);
        record(0x20 + op, note & 0x0F, 0);
        record(0x43 + op, note & 0x3F, 0);
        record(0xA0 + channel, note * 7, 0);
        record(0xB0 + channel, 0x31, 6);
        record(0xB0 + channel, 0x11, 1);
    }
    bytes.resize(4 + 4 * static_cast<std::size_t>(writes));
    return bytes;
}

// The largest file of the corpus with one of the extensions, or "" without a corpus.

void ReadBytes(benchmark::State& state, const std::string& path) {
    for (auto _ : state)
        benchmark::DoNotOptimize(ReadFileBytes(path).data());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
}

void Load(benchmark::State& state, const std::string& path) {
    benchsupport::QuietConsole quiet;
    for (auto _ : state) {
        TImfSong song;
        LoadFile(song, path);
        benchmark::DoNotOptimize(song.notes.size());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
}

void Save(benchmark::State& state, const std::string& path, const std::string& outPath) {
    benchsupport::QuietConsole quiet;
    TImfSong song;
    bool kmf = LoadFile(song, path) == SongFileLayout::Kmf;
    for (auto _ : state) {
        if (kmf)
            SaveKMF(song, outPath, 560);
        else
            SaveImf(song, outPath, 0);
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(outPath)));
}

// What `imftool convert CAPTURE OUT.imf` does short of the disk write.
void ConvertToImf(benchmark::State& state, const std::string& path) {
    benchsupport::QuietConsole quiet;
    for (auto _ : state) {
        SongSource source = ReadSongSource(ReadFileBytes(path), path);
        benchmark::DoNotOptimize(ImfBytesOfWrites(source.Writes(560), 0).data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(fs::file_size(path)));
}

// Each capture of ../shared/captures that converts, with an IMF file of its writes in `work`.
std::vector<std::pair<std::string, std::string>> Captures(const fs::path& work) {
    std::vector<std::pair<std::string, std::string>> captures;
    std::error_code error;
    for (const auto& entry :
         fs::directory_iterator(fs::path(IMF_CORPUS_DIR) / "../captures", error)) {
        std::string path = entry.path().string();
        try {
            SongSource source = ReadSongSource(ReadFileBytes(path), path);
            if (!source.IsCapture())
                continue;
            std::string imf = (work / (entry.path().stem().string() + ".imf")).string();
            WriteFileReplacing(imf, ImfBytesOfWrites(source.Writes(560), 0));
            captures.push_back({path, imf});
        } catch (const ImfError&) {
            // refused (an OPL3 capture) or not a song
        }
    }
    std::sort(captures.begin(), captures.end());
    return captures;
}

void Encode(benchmark::State& state, const std::string& path) {
    benchsupport::QuietConsole quiet;
    TImfSong song;
    bool kmf = LoadFile(song, path) == SongFileLayout::Kmf;
    for (auto _ : state)
        benchmark::DoNotOptimize((kmf ? KmfBytes(song, 560) : ImfBytes(song, 0)).data());
}
} // namespace

int main(int argc, char** argv) {
    fs::path work = fs::temp_directory_path() / ("imfproc-bench-" + std::to_string(::getpid()));
    fs::create_directories(work);
    std::string made = (work / "writes65536.imf").string();
    WriteFileReplacing(made, MakeSong(65536));

    std::vector<std::pair<std::string, std::string>> songs = {{"65536writes", made}};
    if (std::string imf = benchsupport::LargestCorpusFile({".imf", ".wlf"}); !imf.empty())
        songs.push_back({fs::path(imf).filename().string(), imf});
    if (std::string kmf = benchsupport::LargestCorpusFile({".kmf"}); !kmf.empty())
        songs.push_back({fs::path(kmf).filename().string(), kmf});

    for (const auto& [name, path] : songs) {
        std::string out = (work / ("out-" + name)).string();
        benchmark::RegisterBenchmark(("ReadBytes/" + name).c_str(), ReadBytes, path);
        benchmark::RegisterBenchmark(("Load/" + name).c_str(), Load, path);
        benchmark::RegisterBenchmark(("Save/" + name).c_str(), Save, path, out);
        benchmark::RegisterBenchmark(("Encode/" + name).c_str(), Encode, path);
    }
    for (const auto& [capture, imf] : Captures(work)) {
        std::string name = fs::path(capture).filename().string();
        benchmark::RegisterBenchmark(("ConvertToImf/" + name).c_str(), ConvertToImf, capture);
        benchmark::RegisterBenchmark(("LoadSameWritesAsImf/" + name).c_str(), Load, imf);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(work);
    return 0;
}
