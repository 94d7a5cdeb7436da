#include "NoteRows.h"

#include "Console.h"

#include <algorithm>

TNoteList InstructionsToNotes(const TInstructionList& instructions, std::int32_t& maxtime) {
    TNoteList notes;
    NoteRef open;
    TTimbre running; // all twelve fields 0: a list that never set a register shows 00
    for (const InstructionRef& instruction : instructions) {
        if (!instruction)
            continue;
        if (instruction->IsKeyOn()) {
            if (open) {
                open->extras.push_back(instruction);
            } else {
                open = std::make_shared<TNote>();
                open->timbre = running.Clone();
                open->starttime = instruction->globaltime;
                open->startval = instruction->val;
                notes.push_back(open);
            }
        } else if (instruction->IsKeyOff()) {
            if (open) {
                open->endtime = instruction->globaltime;
                open->endval = instruction->val;
                open.reset();
            } else {
                PrintLine("unused KeyOff");
            }
        } else {
            running.Apply(instruction->reg, instruction->val);
            if (open)
                open->extras.push_back(instruction);
        }
        maxtime = std::max(maxtime, instruction->globaltime);
    }
    return notes;
}

TNoteRows ChannelRows(const TImfSong& song, std::int32_t& length) {
    length = 0;
    TNoteRows rows;
    for (const TInstructionList& list : song.channels)
        rows.push_back(InstructionsToNotes(list, length));
    return rows;
}

TNoteRows TrackRows(const TTrackList& tracks, std::int32_t& length) {
    length = 0;
    TNoteRows rows;
    for (const TrackRef& track : tracks)
        if (track)
            rows.push_back(InstructionsToNotes(track->instructions, length));
    return rows;
}

TNoteRows VoiceRows(const TImfSong& song, std::int32_t& length) {
    length = 0;
    TNoteRows rows(15);
    for (const NoteRef& note : song.notes) {
        if (!note)
            continue;
        if (note->oldvoice >= 0 && note->oldvoice < 15)
            rows[note->oldvoice].push_back(note);
        length = std::max(length, note->endtime);
    }
    return rows;
}
