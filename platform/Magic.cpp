#include "Magic.h"

#include "ImfError.h"

#include <algorithm>

bool HasMagic(std::span<const std::uint8_t> bytes, std::string_view magic) {
    return bytes.size() >= magic.size() && std::equal(magic.begin(), magic.end(), bytes.begin());
}

void PutMagic(ByteWriter& out, std::string_view magic) {
    for (char c : magic)
        out.U8(static_cast<std::uint8_t>(c));
}

ByteReader ReaderAfterMagic(std::span<const std::uint8_t> bytes, std::string_view magic,
                            const char* notThis) {
    if (!HasMagic(bytes, magic))
        throw ImfError(notThis);
    ByteReader in(bytes);
    in.Seek(magic.size());
    return in;
}
