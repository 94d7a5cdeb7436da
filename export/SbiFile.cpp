#include "SbiFile.h"

#include "BankRecord.h"
#include "ImfError.h"
#include "Magic.h"

namespace {
constexpr std::size_t kNameSize = 32;
} // namespace

std::vector<std::uint8_t> SbiBytes(const BankInstrument& instrument) {
    ByteWriter out;
    PutMagic(out, kSbiMagic);
    PutName(out, instrument.name, kNameSize, instrument.nameField);
    PutRecord(out, instrument);
    return out.Release();
}

BankInstrument ReadSbi(std::span<const std::uint8_t> bytes) {
    ByteReader in = ReaderAfterMagic(bytes, kSbiMagic, "ERROR: not an SBI instrument");
    BankInstrument instrument;
    instrument.name = TakeName(in, kNameSize, &instrument.nameField);
    TakeRecord(in, instrument);
    return instrument;
}
