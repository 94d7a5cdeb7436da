#include "WoplFile.h"

#include "BankRecord.h"
#include "ImfError.h"
#include "Magic.h"

namespace {
constexpr std::uint16_t kVersion = 3;
constexpr std::size_t kSetSize = 128;
constexpr std::size_t kNameSize = 32;

void PutBigU16(ByteWriter& out, std::uint16_t value) {
    out.U8(static_cast<std::uint8_t>(value >> 8));
    out.U8(static_cast<std::uint8_t>(value));
}
std::uint16_t TakeBigU16(ByteReader& in) {
    std::uint16_t high = in.U8();
    return static_cast<std::uint16_t>(high << 8 | in.U8());
}

// The entry's operators, in the file's order: carrier, then modulator.
void PutOperator(ByteWriter& out, const BankOperator& op) {
    for (std::uint8_t byte :
         {op.character, op.scaleLevel, op.attackDecay, op.sustainRelease, op.waveform})
        out.U8(byte);
}
void TakeOperator(ByteReader& in, BankOperator& op) {
    for (std::uint8_t* byte :
         {&op.character, &op.scaleLevel, &op.attackDecay, &op.sustainRelease, &op.waveform})
        *byte = in.U8();
}

void PutInstrument(ByteWriter& out, const BankInstrument& ins) {
    PutName(out, ins.name, kNameSize, ins.nameField);
    PutBigU16(out, static_cast<std::uint16_t>(ins.noteOffset));
    PutBigU16(out, static_cast<std::uint16_t>(ins.noteOffset2));
    out.U8(static_cast<std::uint8_t>(ins.velocityOffset));
    out.U8(static_cast<std::uint8_t>(ins.detune));
    out.U8(ins.percussionKey);
    out.U8(ins.flags);
    out.U8(ins.feedbackConnection);
    out.U8(ins.feedbackConnection2);
    PutOperator(out, ins.carrier);
    PutOperator(out, ins.modulator);
    PutOperator(out, ins.carrier2);
    PutOperator(out, ins.modulator2);
    PutBigU16(out, ins.delayOn);
    PutBigU16(out, ins.delayOff);
}

BankInstrument TakeInstrument(ByteReader& in, std::uint16_t version) {
    BankInstrument ins;
    ins.name = TakeName(in, kNameSize, &ins.nameField);
    ins.noteOffset = static_cast<std::int16_t>(TakeBigU16(in));
    ins.noteOffset2 = static_cast<std::int16_t>(TakeBigU16(in));
    ins.velocityOffset = static_cast<std::int8_t>(in.U8());
    ins.detune = static_cast<std::int8_t>(in.U8());
    ins.percussionKey = in.U8();
    ins.flags = in.U8();
    ins.feedbackConnection = in.U8();
    ins.feedbackConnection2 = in.U8();
    TakeOperator(in, ins.carrier);
    TakeOperator(in, ins.modulator);
    TakeOperator(in, ins.carrier2);
    TakeOperator(in, ins.modulator2);
    if (version >= 3) {
        ins.delayOn = TakeBigU16(in);
        ins.delayOff = TakeBigU16(in);
    }
    return ins;
}

std::size_t SetCount(std::size_t instruments) {
    return std::max<std::size_t>(1, (instruments + kSetSize - 1) / kSetSize);
}

void PutSets(ByteWriter& out, const std::vector<BankSet>& sets, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        BankSet set = i < sets.size() ? sets[i] : BankSet{"", static_cast<std::uint8_t>(i), 0};
        PutName(out, set.name, kNameSize);
        out.U8(set.lsb);
        out.U8(set.msb);
    }
}

void PutInstruments(ByteWriter& out, const std::vector<BankInstrument>& list, std::size_t sets) {
    BankInstrument blank;
    blank.flags = kBlankInstrument;
    for (std::size_t i = 0; i < sets * kSetSize; ++i)
        PutInstrument(out, i < list.size() ? list[i] : blank);
}
} // namespace

std::vector<std::uint8_t> WoplBytes(const InstrumentBank& bank) {
    ByteWriter out;
    PutMagic(out, kWoplMagic);
    out.U16(kVersion);
    std::size_t melodicSets = SetCount(bank.melodic.size());
    std::size_t percussionSets = SetCount(bank.percussion.size());
    PutBigU16(out, static_cast<std::uint16_t>(melodicSets));
    PutBigU16(out, static_cast<std::uint16_t>(percussionSets));
    out.U8(bank.globalFlags);
    out.U8(bank.volumeModel);
    PutSets(out, bank.melodicSets, melodicSets);
    PutSets(out, bank.percussionSets, percussionSets);
    PutInstruments(out, bank.melodic, melodicSets);
    PutInstruments(out, bank.percussion, percussionSets);
    return out.Release();
}

std::uint16_t WoplVersion(std::span<const std::uint8_t> bytes) {
    ByteReader in(bytes);
    in.Seek(kWoplMagic.size());
    return in.Size() >= kWoplMagic.size() + 2 ? in.U16() : 0;
}

InstrumentBank ReadWopl(std::span<const std::uint8_t> bytes) {
    ByteReader in = ReaderAfterMagic(bytes, kWoplMagic, "ERROR: not a WOPL bank");
    InstrumentBank bank;
    std::uint16_t version = in.U16();
    std::size_t melodicSets = TakeBigU16(in);
    std::size_t percussionSets = TakeBigU16(in);
    bank.globalFlags = in.U8();
    bank.volumeModel = in.U8();
    auto takeSets = [&](std::vector<BankSet>& sets, std::size_t count) {
        for (std::size_t i = 0; i < count && version >= 2; ++i) {
            BankSet set;
            set.name = TakeName(in, kNameSize);
            set.lsb = in.U8();
            set.msb = in.U8();
            sets.push_back(set);
        }
    };
    takeSets(bank.melodicSets, melodicSets);
    takeSets(bank.percussionSets, percussionSets);
    for (std::size_t i = 0; i < melodicSets * kSetSize; ++i)
        bank.melodic.push_back(TakeInstrument(in, version));
    for (std::size_t i = 0; i < percussionSets * kSetSize; ++i)
        bank.percussion.push_back(TakeInstrument(in, version));
    return bank;
}
