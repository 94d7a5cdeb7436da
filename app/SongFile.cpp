#include "SongFile.h"

#include "DroFile.h"
#include "FileBytes.h"
#include "Gzip.h"
#include "KmfFile.h"
#include "TickRate.h"
#include "VgmFile.h"

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
    loaded.format.kmf = !loaded.source.IsCapture() && loaded.layout == SongFileLayout::Kmf;
    loaded.format.rate = loaded.source.kmfRate;
    loaded.format.lengthWord = loaded.layout == SongFileLayout::ImfLengthWord;
    return loaded;
}

std::size_t SaveSong(const TImfSong& song, const std::string& path, const SongFormat& format) {
    std::vector<std::uint8_t> bytes =
        format.kmf ? KmfBytes(song, format.rate) : ImfBytes(song, format.lengthWord ? 1 : 0);
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

bool IsKmfPath(const std::string& path) {
    return HasExtension(path, ".kmf");
}

OutputKind OutputKindOfPath(const std::string& path) {
    if (HasExtension(path, ".kmf"))
        return OutputKind::Kmf;
    if (HasExtension(path, ".vgm"))
        return OutputKind::Vgm;
    if (HasExtension(path, ".vgz"))
        return OutputKind::Vgz;
    if (HasExtension(path, ".dro"))
        return OutputKind::Dro;
    return OutputKind::Imf;
}

int TimeUnitsOf(OutputKind kind) {
    switch (kind) {
    case OutputKind::Vgm:
    case OutputKind::Vgz:
        return kVgmSamplesPerSecond;
    case OutputKind::Dro:
        return kDroUnitsPerSecond;
    case OutputKind::Imf:
    case OutputKind::Kmf:
        break;
    }
    return 0;
}

void WarnOfImfRate(const std::string& path, int tickRate) {
    if (OutputKindOfPath(path) != OutputKind::Imf || tickRate == ImfRateOfPath(path))
        return;
    std::fflush(stdout);
    std::fprintf(
        stderr, "imftool: %s has no rate field and plays at %d ticks per second; the song has %d\n",
        path.c_str(), ImfRateOfPath(path), tickRate);
    std::fflush(stderr);
}

std::size_t SaveWrites(const TickedWrites& writes, const std::string& path,
                       const OutputSettings& settings) {
    std::vector<std::uint8_t> bytes;
    switch (OutputKindOfPath(path)) {
    case OutputKind::Kmf: {
        int rate = settings.kmfRate > 0 ? settings.kmfRate : settings.tickRate;
        bytes = KmfBytes(SongOfWrites(writes), static_cast<std::uint16_t>(rate));
        break;
    }
    case OutputKind::Vgm:
        bytes = VgmBytes(writes, settings.tickRate, settings.title, settings.tag);
        break;
    case OutputKind::Vgz:
        bytes = Gzip(VgmBytes(writes, settings.tickRate, settings.title, settings.tag));
        break;
    case OutputKind::Dro:
        bytes = DroBytes(writes, settings.tickRate);
        break;
    case OutputKind::Imf:
        bytes = ImfBytesOfWrites(writes, settings.lengthWord ? 1 : 0);
        break;
    }
    WriteFileReplacing(path, bytes);
    return bytes.size();
}
