// Hand-made timbres and tracks for the optimizer tests.
#pragma once

#include "Track.h"

#include <cstdint>
#include <initializer_list>
#include <utility>

namespace testsupport {

// A timbre whose twelve fields hold base, base + 1, ..., base + 11 in field order.
inline TTimbre TimbreFrom(int base) {
    TTimbre timbre;
    int value = base;
    for (const TTimbre::Field& field : TTimbre::kFields)
        timbre.*field.member = static_cast<std::uint16_t>(value++ & 0xFF);
    return timbre;
}

// A track of whole notes of one timbre: per note the twelve timbre writes, key-on and key-off.
inline TrackRef NoteTrack(const TTimbre& timbre,
                          std::initializer_list<std::pair<std::int32_t, std::int32_t>> notes) {
    auto track = std::make_shared<TTrack>();
    for (auto [start, end] : notes) {
        track->ApplyTimbre(timbre, start);
        track->AddInstruction(0xB0, 0x31, start);
        track->AddInstruction(0xB0, 0x11, end);
    }
    return track;
}

// The state the allocator gives its working tracks: nothing sent yet, waiting for the first note.
inline void ReadyForAllocation(TTrack& track) {
    track.timbre = TTimbre();
    track.globaltime = track.instructions.front()->globaltime;
}

} // namespace testsupport
