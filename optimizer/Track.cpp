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

EarliestTrackQueue::EarliestTrackQueue(const TTrackList& list)
    : list_(list), keys_(list.size()), queued_(list.size(), false) {
    for (std::size_t position = 0; position < list.size(); ++position) {
        positions_[list[position].get()] = position;
        Update(list[position].get());
    }
}

EarliestTrackQueue::Key EarliestTrackQueue::KeyOf(std::size_t position) const {
    const TTrack& track = *list_[position];
    const auto place = static_cast<std::int64_t>(position);
    if (track.GetNoteLength() == 0)
        return {track.globaltime, 0, -place};
    return {track.globaltime, 1, place};
}

TTrack* EarliestTrackQueue::Earliest() const {
    if (order_.empty())
        return nullptr;
    const auto& [time, rank, place] = *order_.begin();
    return list_[static_cast<std::size_t>(rank == 0 ? -place : place)].get();
}

void EarliestTrackQueue::Update(TTrack* track) {
    const std::size_t position = positions_.at(track);
    if (queued_[position])
        order_.erase(keys_[position]);
    queued_[position] = !track->instructions.empty();
    if (queued_[position]) {
        keys_[position] = KeyOf(position);
        order_.insert(keys_[position]);
    }
}
