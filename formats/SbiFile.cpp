#include "SbiFile.h"

#include "BankRecord.h"
#include "ImfError.h"

namespace {
constexpr std::size_t kNameSize = 32;
} // namespace

std::vector<std::uint8_t> SbiBytes(const BankInstrument& instrument) {
    ByteWriter out;
    for (char c : kSbiMagic)
        out.U8(static_cast<std::uint8_t>(c));
    PutName(out, instrument.name, kNameSize, instrument.nameField);
    PutRecord(out, instrument);
    return out.Release();
}

BankInstrument ReadSbi(std::span<const std::uint8_t> bytes) {
    if (!HasMagic(bytes, kSbiMagic))
        throw ImfError("ERROR: not an SBI instrument");
    ByteReader in(bytes);
    in.Seek(kSbiMagic.size());
    BankInstrument instrument;
    instrument.name = TakeName(in, kNameSize, &instrument.nameField);
    TakeRecord(in, instrument);
    return instrument;
}
