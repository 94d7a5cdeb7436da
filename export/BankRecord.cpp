#include "BankRecord.h"

#include <algorithm>

void PutName(ByteWriter& out, const std::string& name, std::size_t size, const std::string& field) {
    if (field.size() == size && field.substr(0, field.find('\0')) == name) {
        for (char c : field)
            out.U8(static_cast<std::uint8_t>(c));
        return;
    }
    std::size_t length = std::min(name.size(), size - 1);
    for (std::size_t i = 0; i < size; ++i)
        out.U8(i < length ? static_cast<std::uint8_t>(name[i]) : 0);
}

std::string TakeName(ByteReader& in, std::size_t size, std::string* field) {
    std::string name;
    bool ended = false;
    for (std::size_t i = 0; i < size; ++i) {
        char c = static_cast<char>(in.U8());
        if (field)
            *field += c;
        ended = ended || c == '\0';
        if (!ended)
            name += c;
    }
    return name;
}

void PutRecord(ByteWriter& out, const BankInstrument& instrument) {
    const BankOperator& m = instrument.modulator;
    const BankOperator& c = instrument.carrier;
    for (std::uint8_t byte : {m.character, c.character, m.scaleLevel, c.scaleLevel, m.attackDecay,
                              c.attackDecay, m.sustainRelease, c.sustainRelease, m.waveform,
                              c.waveform, instrument.feedbackConnection})
        out.U8(byte);
    for (std::uint8_t byte : instrument.tail)
        out.U8(byte);
}

void TakeRecord(ByteReader& in, BankInstrument& instrument) {
    BankOperator& m = instrument.modulator;
    BankOperator& c = instrument.carrier;
    for (std::uint8_t* byte : {&m.character, &c.character, &m.scaleLevel, &c.scaleLevel,
                               &m.attackDecay, &c.attackDecay, &m.sustainRelease, &c.sustainRelease,
                               &m.waveform, &c.waveform, &instrument.feedbackConnection})
        *byte = in.U8();
    for (std::uint8_t& byte : instrument.tail)
        byte = in.U8();
}
