#include "SongFile.h"

#include "FileBytes.h"
#include "KmfFile.h"
#include "TickRate.h"

#include <cstdio>
#include <utility>

SongSource ReadSong(const std::string& path) {
    return ReadSongSource(ReadFileBytes(path), path);
}

LoadedSong LoadSong(const std::string& path, int explicitRate, const std::string& outputPath) {
    return LoadSongBytes(ReadFileBytes(path), path, explicitRate, outputPath);
}

LoadedSong LoadSongBytes(std::vector<std::uint8_t> bytes, const std::string& path, int explicitRate,
                         const std::string& outputPath) {
    LoadedSong loaded;
    loaded.fileBytes = bytes.size();
    loaded.source = ReadSongSource(std::move(bytes), path);
    loaded.tickRate = loaded.source.TickRate(explicitRate, outputPath);
    loaded.source.Load(loaded.song, loaded.tickRate);
    loaded.layout = loaded.source.layout;
    loaded.format.kind = !loaded.source.IsCapture() && loaded.layout == SongFileLayout::Kmf
                             ? SongFileKind::Kmf
                             : SongFileKind::Imf;
    loaded.format.rate = loaded.source.kmfRate;
    loaded.format.lengthWord = loaded.layout == SongFileLayout::ImfLengthWord;
    return loaded;
}

std::size_t SaveSong(const TImfSong& song, const std::string& path, const SongFormat& format) {
    OutputSettings settings;
    settings.kmfRate = format.rate;
    settings.lengthWord = format.lengthWord;
    std::vector<std::uint8_t> bytes = SongFileFormatOf(format.kind).writeSong(song, settings);
    WriteFileReplacing(path, bytes);
    return bytes.size();
}

void SaveTrack(const TTrack& track, const TInstructionList& globals, const std::string& path) {
    TImfSong song;
    song.channels[0] = globals;
    song.channels[1] = track.instructions;
    SaveSong(song, path, SongFormat());
}

void PrepareOutput(const std::string& output, const std::vector<std::string>& inputs,
                   bool sameKind) {
    if (!sameKind)
        RefuseReplacingInputs(output, inputs);
    if (output == "-")
        KeepStandardOutputForData();
}

void WarnOfImfRate(const std::string& path, int tickRate) {
    if (FormatOfOutputPath(path).kind != SongFileKind::Imf || tickRate == ImfRateOfPath(path))
        return;
    std::fflush(stdout);
    std::fprintf(
        stderr, "imftool: %s has no rate field and plays at %d ticks per second; the song has %d\n",
        path.c_str(), ImfRateOfPath(path), tickRate);
    std::fflush(stderr);
}

std::size_t SaveWrites(const TickedWrites& writes, const std::string& path,
                       const OutputSettings& settings) {
    std::vector<std::uint8_t> bytes = FormatOfOutputPath(path).write(writes, settings);
    WriteFileReplacing(path, bytes);
    return bytes.size();
}
