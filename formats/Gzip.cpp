#include "Gzip.h"

#include "ImfError.h"

#include <string>
#include <zlib.h>

namespace {
// zlib's window bits plus 16: a gzip wrapper rather than a zlib one.
constexpr int kGzipWindow = 15 + 16;
constexpr std::size_t kChunk = 64 * 1024;

// Ends the zlib stream however the function leaves.
template <int (*End)(z_stream*)> struct StreamEnd {
    z_stream* stream;
    ~StreamEnd() { End(stream); }
};
} // namespace

bool IsGzip(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 2 && bytes[0] == 0x1F && bytes[1] == 0x8B;
}

std::vector<std::uint8_t> Gunzip(std::span<const std::uint8_t> bytes, std::size_t limit) {
    z_stream stream{};
    if (inflateInit2(&stream, kGzipWindow) != Z_OK)
        throw ImfError("ERROR: damaged gzip data");
    StreamEnd<inflateEnd> end{&stream};
    stream.next_in = const_cast<Bytef*>(bytes.data());
    stream.avail_in = static_cast<uInt>(bytes.size());
    std::vector<std::uint8_t> out;
    int result = Z_OK;
    while (result != Z_STREAM_END) {
        if (out.size() >= limit)
            throw ImfError("ERROR: gzip data larger than " + std::to_string(limit) + " bytes");
        std::size_t had = out.size();
        out.resize(had + kChunk);
        stream.next_out = out.data() + had;
        stream.avail_out = static_cast<uInt>(kChunk);
        result = inflate(&stream, Z_NO_FLUSH);
        out.resize(had + kChunk - stream.avail_out);
        // Z_BUF_ERROR with input left means no progress; without input, data cut short.
        if (result != Z_OK && result != Z_STREAM_END)
            throw ImfError("ERROR: damaged gzip data");
    }
    return out;
}

std::vector<std::uint8_t> Gzip(std::span<const std::uint8_t> bytes) {
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, kGzipWindow, 8, Z_DEFAULT_STRATEGY) !=
        Z_OK)
        throw ImfError("ERROR: cannot compress");
    StreamEnd<deflateEnd> end{&stream};
    std::vector<std::uint8_t> out(deflateBound(&stream, static_cast<uLong>(bytes.size())));
    stream.next_in = const_cast<Bytef*>(bytes.data());
    stream.avail_in = static_cast<uInt>(bytes.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    if (deflate(&stream, Z_FINISH) != Z_STREAM_END)
        throw ImfError("ERROR: cannot compress");
    out.resize(stream.total_out);
    return out;
}
