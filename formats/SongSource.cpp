#include "SongSource.h"

#include "DroFile.h"
#include "Gzip.h"
#include "ImfError.h"
#include "KmfFile.h"
#include "MidiReader.h"
#include "RawFile.h"
#include "TickRate.h"
#include "VgmFile.h"

namespace {
// Far beyond any real capture; stops a small file that inflates without end.
constexpr std::size_t kInflatedLimit = 64 * 1024 * 1024;

std::optional<Capture> ReadCapture(std::span<const std::uint8_t> bytes) {
    if (IsDro(bytes))
        return ReadDro(bytes);
    if (IsRaw(bytes))
        return ReadRaw(bytes);
    if (IsVgm(bytes))
        return ReadVgm(bytes);
    if (IsGzip(bytes)) {
        std::vector<std::uint8_t> inflated = Gunzip(bytes, kInflatedLimit);
        if (!IsVgm(inflated))
            throw ImfError("ERROR: gzip data that is not VGM");
        Capture capture = ReadVgm(inflated);
        capture.format = "VGM (gzip-compressed)";
        return capture;
    }
    return std::nullopt;
}
} // namespace

SongSource ReadSongSource(std::vector<std::uint8_t> bytes, const std::string& name) {
    if (IsMidi(bytes))
        throw ImfError("ERROR: a MIDI file holds no chip writes; imftool convert composes a song "
                       "of it: " +
                       name);
    SongSource source;
    source.name = name;
    source.capture = ReadCapture(bytes);
    if (source.capture)
        return source;
    source.layout = LoadWritesFromBytes(source.imfWrites, bytes);
    if (source.layout == SongFileLayout::Kmf)
        source.kmfRate = KmfRate(bytes);
    source.bytes = std::move(bytes);
    return source;
}

std::string SongSource::FormatText() const {
    if (capture)
        return capture->format;
    switch (layout) {
    case SongFileLayout::Kmf:
        return "KMF, rate " + std::to_string(kmfRate);
    case SongFileLayout::ImfLengthWord:
        return "IMF with length word";
    case SongFileLayout::ImfHeaderless:
        break;
    }
    return "IMF, headerless";
}

int SongSource::TickRate(int explicitRate, const std::string& outputPath) const {
    return ChooseTickRate(explicitRate, kmfRate, name, IsCapture(), outputPath);
}

TickedWrites SongSource::Writes(int rate) const {
    return capture ? CaptureTicks(*capture, rate) : imfWrites;
}

void SongSource::Load(TImfSong& song, int rate) const {
    if (capture)
        InterpretWrites(song, CaptureTicks(*capture, rate));
    else
        LoadFromBytes(song, bytes);
}
