// libFuzzer target: the RAW reader on raw bytes, then ticks, the song model and the VGM and
// DRO writers.
#include "CaptureFuzz.h"
#include "RawFile.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzsupport::Silence();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzzsupport::FuzzCapture(data, size, ReadRaw);
}
