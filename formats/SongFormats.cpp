#include "SongFormats.h"

#include "DroFile.h"
#include "FileBytes.h"
#include "FileNames.h"
#include "Gzip.h"
#include "KmfFile.h"
#include "RawFile.h"
#include "VgmFile.h"

#include <algorithm>

namespace {
using Bytes = std::vector<std::uint8_t>;

// The writers as the table calls them.
std::uint16_t KmfRateOf(const OutputSettings& settings) {
    return static_cast<std::uint16_t>(settings.kmfRate > 0 ? settings.kmfRate : settings.tickRate);
}
Bytes KmfOfSong(const TImfSong& song, const OutputSettings& settings) {
    return KmfBytes(song, KmfRateOf(settings));
}
Bytes KmfOfWrites(const TickedWrites& writes, const OutputSettings& settings) {
    return KmfOfSong(SongOfWrites(writes), settings);
}
Bytes ImfOfSong(const TImfSong& song, const OutputSettings& settings) {
    return ImfBytes(song, settings.lengthWord ? 1 : 0);
}
Bytes ImfOfWrites(const TickedWrites& writes, const OutputSettings& settings) {
    return ImfBytesOfWrites(writes, settings.lengthWord ? 1 : 0);
}
Bytes DroOfWrites(const TickedWrites& writes, const OutputSettings& settings) {
    return DroBytes(writes, settings.tickRate);
}
Bytes VgmOfWrites(const TickedWrites& writes, const OutputSettings& settings) {
    return VgmBytes(writes, settings.tickRate, settings.title, settings.tag);
}
Bytes VgzOfWrites(const TickedWrites& writes, const OutputSettings& settings) {
    return Gzip(VgmOfWrites(writes, settings));
}

// clang-format off
constexpr SongFileFormat kFormats[] = {
    // kind, name, extensions, probe, loadSong, loadWrites, readCapture, write, writeSong, timeUnits
    {SongFileKind::Kmf, "KMF", {".kmf", ""}, IsKmf, LoadKmfBytes, LoadKmfWrites, nullptr, KmfOfWrites, KmfOfSong, 0},
    {SongFileKind::Dro, "DRO", {".dro", ""}, IsDro, nullptr, nullptr, ReadDro, DroOfWrites, nullptr, kDroUnitsPerSecond},
    {SongFileKind::Raw, "RAW", {".raw", ""}, IsRaw, nullptr, nullptr, ReadRaw, nullptr, nullptr, 0},
    {SongFileKind::Vgm, "VGM", {".vgm", ""}, IsVgm, nullptr, nullptr, ReadVgm, VgmOfWrites, nullptr, kVgmSamplesPerSecond},
    {SongFileKind::Vgz, "VGZ", {".vgz", ""}, IsGzip, nullptr, nullptr, ReadVgz, VgzOfWrites, nullptr, kVgmSamplesPerSecond},
    {SongFileKind::Imf, "IMF", {".imf", ".wlf"}, nullptr, LoadImfBytes, LoadImfWrites, nullptr, ImfOfWrites, ImfOfSong, 0},
};
// clang-format on

const SongFileFormat& Imf() {
    return kFormats[std::size(kFormats) - 1];
}

// The row of the song-model formats (IMF, KMF) that reads the bytes.
const SongFileFormat& LoaderOf(std::span<const std::uint8_t> bytes) {
    for (const SongFileFormat& format : kFormats)
        if (format.loadSong && format.probe && format.probe(bytes))
            return format;
    return Imf();
}
} // namespace

std::span<const SongFileFormat> SongFileFormats() {
    return kFormats;
}

const SongFileFormat& SongFileFormatOf(SongFileKind kind) {
    return *std::find_if(std::begin(kFormats), std::end(kFormats),
                         [&](const SongFileFormat& format) { return format.kind == kind; });
}

const SongFileFormat& FormatOfBytes(std::span<const std::uint8_t> bytes) {
    for (const SongFileFormat& format : kFormats)
        if (format.probe && format.probe(bytes))
            return format;
    return Imf();
}

const SongFileFormat& FormatOfOutputPath(const std::string& path) {
    for (const SongFileFormat& format : kFormats)
        for (std::string_view extension : format.extensions)
            if (format.write && !extension.empty() && HasExtension(path, std::string(extension)))
                return format;
    return Imf();
}

SongFileLayout LoadFromBytes(TImfSong& song, std::span<const std::uint8_t> bytes) {
    return LoaderOf(bytes).loadSong(song, bytes);
}

SongFileLayout LoadWritesFromBytes(TickedWrites& song, std::span<const std::uint8_t> bytes) {
    return LoaderOf(bytes).loadWrites(song, bytes);
}

SongFileLayout LoadFile(TImfSong& song, const std::string& path) {
    return LoadFromBytes(song, ReadFileBytes(path));
}
