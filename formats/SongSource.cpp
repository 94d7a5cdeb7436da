#include "SongSource.h"

#include "Console.h"
#include "ImfError.h"
#include "KmfFile.h"
#include "MidiReader.h"
#include "SongFormats.h"
#include "TickRate.h"

SongSource ReadSongSource(std::vector<std::uint8_t> bytes, const std::string& name) {
    if (IsMidi(bytes))
        throw ImfError("ERROR: a MIDI file holds no chip writes; imftool convert composes a song "
                       "of it: " +
                       name);
    SongSource source;
    source.name = name;
    const SongFileFormat& format = FormatOfBytes(bytes);
    if (format.readCapture) {
        source.capture = format.readCapture(bytes);
        for (const std::string& warning : source.capture->warnings)
            PrintLine(warning);
        return source;
    }
    source.layout = format.loadWrites(source.imfWrites, bytes);
    if (format.kind == SongFileKind::Kmf)
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
