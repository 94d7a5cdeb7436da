#include "Op2File.h"

#include "BankRecord.h"
#include "Magic.h"

namespace {
constexpr int kPrograms = 128;
constexpr int kOp2Drums = 47;
constexpr std::size_t kNameSize = 32;
constexpr std::uint16_t kFixedFlag = 0x0001;
constexpr std::uint16_t kDoubleVoiceFlag = 0x0004;

// 0x20, 0x60, 0x80, 0xE0, then the key-scale bits and the level as two bytes.
BankOperator TakeOperator(ByteReader& in) {
    BankOperator op;
    op.character = in.U8();
    op.attackDecay = in.U8();
    op.sustainRelease = in.U8();
    op.waveform = in.U8();
    const std::uint8_t scale = in.U8();
    op.scaleLevel = static_cast<std::uint8_t>((scale & 0xC0) | (in.U8() & 0x3F));
    return op;
}

// One voice of 16 bytes: modulator, 0xC0, carrier, an unused byte, the note offset.
void TakeVoice(ByteReader& in, BankOperator& modulator, BankOperator& carrier,
               std::uint8_t& feedbackConnection, std::int16_t& noteOffset) {
    modulator = TakeOperator(in);
    feedbackConnection = in.U8();
    carrier = TakeOperator(in);
    in.U8();
    noteOffset = static_cast<std::int16_t>(in.U16());
}

BankInstrument TakeInstrument(ByteReader& in) {
    BankInstrument ins;
    const std::uint16_t flags = in.U16();
    ins.detune = static_cast<std::int8_t>(in.U8() - 128);
    ins.percussionKey = in.U8();
    TakeVoice(in, ins.modulator, ins.carrier, ins.feedbackConnection, ins.noteOffset);
    TakeVoice(in, ins.modulator2, ins.carrier2, ins.feedbackConnection2, ins.noteOffset2);
    if (flags & kFixedFlag)
        ins.flags |= kFixedNoteInstrument;
    if (flags & kDoubleVoiceFlag)
        ins.flags |= kDoubleVoiceInstrument;
    return ins;
}
} // namespace

InstrumentBank ReadOp2(std::span<const std::uint8_t> bytes) {
    ByteReader in = ReaderAfterMagic(bytes, kOp2Magic, "ERROR: not a GENMIDI bank");
    InstrumentBank bank;
    bank.dmxPitch = true;
    bank.melodic.resize(kPrograms);
    BankInstrument blank;
    blank.flags = kBlankInstrument;
    bank.percussion.assign(128, blank);
    for (BankInstrument& instrument : bank.melodic)
        instrument = TakeInstrument(in);
    for (int drum = 0; drum < kOp2Drums; ++drum)
        bank.percussion[kOp2FirstDrumKey + drum] = TakeInstrument(in);
    for (BankInstrument& instrument : bank.melodic)
        instrument.name = TakeName(in, kNameSize, &instrument.nameField);
    for (int drum = 0; drum < kOp2Drums; ++drum) {
        BankInstrument& instrument = bank.percussion[kOp2FirstDrumKey + drum];
        instrument.name = TakeName(in, kNameSize, &instrument.nameField);
    }
    return bank;
}
