#include "Track.h"

#include "ImfError.h"

int TTrack::AddInstruction(std::uint8_t reg, std::uint8_t val, std::int32_t time) {
    if (time < globaltime)
        throw ImfError("ERROR: time travel paradox");
    instructions.push_back(MakeInstruction(reg, val, time));
    timbre.Apply(reg, val);
    globaltime = time;
    return 0;
}

int TTrack::ApplyTimbre(const TTimbre& source, std::int32_t time) {
    for (const TTimbre::Field& field : TTimbre::kFields)
        AddInstruction(field.reg, static_cast<std::uint8_t>(source.*field.member & 0xFF), time);
    return 0;
}

TrackRef TTrack::Clone() const {
    auto copy = std::make_shared<TTrack>();
    copy->timbre = timbre.Clone();
    copy->instructions = instructions;
    copy->globaltime = globaltime;
    return copy;
}

std::int32_t TTrack::GetNoteLength() const {
    const TInstruction* start = nullptr;
    for (const InstructionRef& instruction : instructions) {
        if (start == nullptr && instruction->IsKeyOn())
            start = instruction.get();
        else if (start != nullptr && instruction->IsKeyOff())
            return instruction->globaltime - start->globaltime;
    }
    return -1;
}

TTrackList CloneTrackList(const TTrackList& list) {
    TTrackList copies;
    copies.reserve(list.size());
    for (const TrackRef& track : list)
        copies.push_back(track->Clone());
    return copies;
}

TTrack* FindEarliestTrack(const TTrackList& list) {
    TTrack* candidate = nullptr;
    for (const TrackRef& track : list) {
        if (track->instructions.empty())
            continue;
        if (candidate == nullptr || track->globaltime < candidate->globaltime ||
            (track->globaltime == candidate->globaltime && track->GetNoteLength() == 0))
            candidate = track.get();
    }
    return candidate;
}
