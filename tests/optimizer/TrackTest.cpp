#include "Track.h"
#include "ImfError.h"
#include "TrackBuilder.h"

#include <gtest/gtest.h>

using testsupport::NoteTrack;
using testsupport::TimbreFrom;

namespace {
std::string RaisedBy(const std::function<void()>& body) {
    try {
        body();
    } catch (const ImfError& error) {
        return error.Message();
    }
    return "(nothing raised)";
}

TTrack TrackOf(std::initializer_list<std::pair<std::uint8_t, std::int32_t>> writes) {
    TTrack track;
    for (auto [val, time] : writes)
        track.AddInstruction(0xB0, val, time);
    return track;
}
} // namespace

TEST(Track, AddInstructionKeepsTimeOrderAndFollowsTimbre) {
    TTrack track;
    track.AddInstruction(0x40, 0x3F, 10);
    track.AddInstruction(0xB0, 0x31, 10); // an equal time is accepted
    EXPECT_EQ(track.globaltime, 10);
    EXPECT_EQ(track.timbre.r40, 0x3F);
    EXPECT_EQ(track.timbre.r20, 256); // a new track's timbre is undefined
    EXPECT_EQ(track.instructions.back()->index, 0);
    EXPECT_EQ(RaisedBy([&] { track.AddInstruction(0x40, 0, 9); }), "ERROR: time travel paradox");
    EXPECT_EQ(track.instructions.size(), 2u);
}

TEST(Track, ApplyTimbreWritesTwelveRegistersFrequencyLast) {
    TTrack track;
    TTimbre undefined;
    undefined.InitUndefined();
    track.ApplyTimbre(undefined, 7);
    const std::uint8_t order[] = {0x20, 0x23, 0x40, 0x43, 0x60, 0x63,
                                  0x80, 0x83, 0xC0, 0xE0, 0xE3, 0xA0};
    ASSERT_EQ(track.instructions.size(), 12u);
    for (std::size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(track.instructions[i]->reg, order[i]);
        EXPECT_EQ(track.instructions[i]->val, 0);
        EXPECT_EQ(track.instructions[i]->globaltime, 7);
    }
    TTrack second;
    second.ApplyTimbre(TimbreFrom(0x50), 0);
    EXPECT_EQ(second.instructions[11]->val, 0x50 + 11); // rA0 is the last field
    EXPECT_EQ(second.timbre, TimbreFrom(0x50));
}

TEST(Track, NoteLengthOfTheFirstNote) {
    EXPECT_EQ(TrackOf({{0x31, 100}, {0x11, 100}}).GetNoteLength(), 0);
    EXPECT_EQ(TrackOf({{0x11, 50}, {0x31, 100}, {0x11, 140}}).GetNoteLength(), 40);
    EXPECT_EQ(TrackOf({{0x31, 100}, {0x32, 120}, {0x11, 140}}).GetNoteLength(), 40);
    EXPECT_EQ(TrackOf({{0x31, 100}}).GetNoteLength(), -1);
    EXPECT_EQ(TTrack().GetNoteLength(), -1);
}

TEST(Track, EarliestTrackAndItsTies) {
    EXPECT_EQ(FindEarliestTrack({}), nullptr);
    EXPECT_EQ(FindEarliestTrack({std::make_shared<TTrack>(), std::make_shared<TTrack>()}), nullptr);

    auto at = [](std::int32_t time, std::int32_t length) {
        auto track = std::make_shared<TTrack>(TrackOf({{0x31, time}, {0x11, time + length}}));
        track->globaltime = time;
        return track;
    };
    auto open = std::make_shared<TTrack>(TrackOf({{0x31, 10}}));
    open->globaltime = 10;

    TTrackList lengthFiveFirst = {at(10, 5), at(10, 0)};
    EXPECT_EQ(FindEarliestTrack(lengthFiveFirst), lengthFiveFirst[1].get());
    TTrackList lengthZeroFirst = {at(10, 0), at(10, 5)};
    EXPECT_EQ(FindEarliestTrack(lengthZeroFirst), lengthZeroFirst[0].get());
    TTrackList twoZero = {at(10, 5), at(10, 0), at(10, 0), at(10, 3)};
    EXPECT_EQ(FindEarliestTrack(twoZero), twoZero[2].get()); // the last zero-length one
    TTrackList earlierWins = {at(10, 0), at(4, 5), std::make_shared<TTrack>(), at(4, 9)};
    EXPECT_EQ(FindEarliestTrack(earlierWins), earlierWins[1].get());
    TTrackList noCompleteNote = {at(10, 5), open};
    EXPECT_EQ(FindEarliestTrack(noCompleteNote), noCompleteNote[0].get());
}

TEST(Track, ClonesShareInstructionObjectsButNotTheList) {
    TTrackList tracks = {NoteTrack(TimbreFrom(1), {{0, 10}}), NoteTrack(TimbreFrom(2), {{5, 9}})};
    TTrackList clones = CloneTrackList(tracks);
    ASSERT_EQ(clones.size(), 2u);
    for (std::size_t t = 0; t < 2; ++t) {
        EXPECT_NE(clones[t].get(), tracks[t].get());
        EXPECT_EQ(clones[t]->timbre, tracks[t]->timbre);
        EXPECT_EQ(clones[t]->globaltime, tracks[t]->globaltime);
        ASSERT_EQ(clones[t]->instructions.size(), 14u);
        for (std::size_t i = 0; i < 14; ++i)
            EXPECT_EQ(clones[t]->instructions[i].get(), tracks[t]->instructions[i].get());
    }
    clones[0]->instructions.pop_front();
    clones[0]->timbre.Apply(0x20, 0x99);
    EXPECT_EQ(tracks[0]->instructions.size(), 14u);
    EXPECT_EQ(tracks[0]->timbre.r20, 1);
}
