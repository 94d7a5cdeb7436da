// libFuzzer target: the loader on raw bytes. The layout detection (KMF magic, IMF with or
// without a length word), then the two IMF layouts read without detection.
#include "ByteReader.h"
#include "FuzzSupport.h"
#include "ImfFile.h"
#include "SongFormats.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::Silence();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > fuzzsupport::kMaxInput)
        return -1; // not kept in the corpus
    std::span<const std::uint8_t> bytes(data, size);
    using fuzzsupport::RunAccepting;
    RunAccepting([&] {
        TImfSong song;
        LoadFromBytes(song, bytes);
    });
    RunAccepting([&] { // headerless: every record up to the end
        TImfSong song;
        ByteReader stream(bytes);
        ReadImfData(song, stream, static_cast<std::int32_t>(size));
    });
    RunAccepting([&] { // with a length word
        TImfSong song;
        ByteReader stream(bytes);
        std::uint16_t length = stream.U16();
        ReadImfData(song, stream, length);
    });
    return 0;
}
