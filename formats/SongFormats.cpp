#include "SongFormats.h"

#include "DroFile.h"
#include "FileBytes.h"
#include "Gzip.h"
#include "KmfFile.h"
#include "RawFile.h"
#include "VgmFile.h"

#include <algorithm>

namespace {
constexpr SongFileFormat kFormats[] = {
    {SongFileKind::Kmf,
     "KMF",
     {".kmf", ""},
     IsKmf,
     LoadKmfBytes,
     LoadKmfWrites,
     nullptr,
     [](const TickedWrites& writes, const OutputSettings& settings) {
         int rate = settings.kmfRate > 0 ? settings.kmfRate : settings.tickRate;
         return KmfBytes(SongOfWrites(writes), static_cast<std::uint16_t>(rate));
     },
     0},
    {SongFileKind::Dro,
     "DRO",
     {".dro", ""},
     IsDro,
     nullptr,
     nullptr,
     ReadDro,
     [](const TickedWrites& writes, const OutputSettings& settings) {
         return DroBytes(writes, settings.tickRate);
     },
     kDroUnitsPerSecond},
    {SongFileKind::Raw, "RAW", {".raw", ""}, IsRaw, nullptr, nullptr, ReadRaw, nullptr, 0},
    {SongFileKind::Vgm,
     "VGM",
     {".vgm", ""},
     IsVgm,
     nullptr,
     nullptr,
     ReadVgm,
     [](const TickedWrites& writes, const OutputSettings& settings) {
         return VgmBytes(writes, settings.tickRate, settings.title, settings.tag);
     },
     kVgmSamplesPerSecond},
    {SongFileKind::Vgz,
     "VGZ",
     {".vgz", ""},
     IsGzip,
     nullptr,
     nullptr,
     ReadVgz,
     [](const TickedWrites& writes, const OutputSettings& settings) {
         return Gzip(VgmBytes(writes, settings.tickRate, settings.title, settings.tag));
     },
     kVgmSamplesPerSecond},
    {SongFileKind::Imf,
     "IMF",
     {".imf", ".wlf"},
     nullptr,
     LoadImfBytes,
     LoadImfWrites,
     nullptr,
     [](const TickedWrites& writes, const OutputSettings& settings) {
         return ImfBytesOfWrites(writes, settings.lengthWord ? 1 : 0);
     },
     0},
};

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
