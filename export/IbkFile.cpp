#include "IbkFile.h"

#include "BankRecord.h"
#include "ImfError.h"
#include "Magic.h"

namespace {
constexpr std::size_t kNameSize = 9;
} // namespace

std::vector<std::uint8_t> IbkBytes(const InstrumentBank& bank) {
    std::vector<BankInstrument> all = bank.melodic;
    all.insert(all.end(), bank.percussion.begin(), bank.percussion.end());
    if (all.size() > kIbkInstruments)
        throw ImfError("ERROR: too many timbres for an IBK bank: " + std::to_string(all.size()) +
                       " (at most 128)");
    all.resize(kIbkInstruments);
    ByteWriter out;
    PutMagic(out, kIbkMagic);
    for (const BankInstrument& instrument : all)
        PutRecord(out, instrument);
    for (const BankInstrument& instrument : all)
        PutName(out, instrument.name, kNameSize, instrument.nameField);
    return out.Release();
}

InstrumentBank ReadIbk(std::span<const std::uint8_t> bytes) {
    ByteReader in = ReaderAfterMagic(bytes, kIbkMagic, "ERROR: not an IBK bank");
    InstrumentBank bank;
    bank.melodic.resize(kIbkInstruments);
    for (BankInstrument& instrument : bank.melodic)
        TakeRecord(in, instrument);
    for (BankInstrument& instrument : bank.melodic)
        instrument.name = TakeName(in, kNameSize, &instrument.nameField);
    return bank;
}
