#include "ChannelAllocation.h"
#include "ImfError.h"
#include "TrackBuilder.h"

#include <gtest/gtest.h>

#include <string>

using testsupport::NoteTrack;
using testsupport::ReadyForAllocation;
using testsupport::TimbreFrom;

namespace {
const std::string kReserveLine = "no regular channel available, using reserved channel\n";

struct Outcome {
    TImfSong song;
    std::string printed;
    std::string error; // empty when nothing was raised
};

Outcome Allocate(const TTrackList& tracks, const TInstructionList& globals, int reserved,
                 int depth) {
    Outcome outcome;
    testing::internal::CaptureStdout();
    try {
        outcome.song = TracksToSong(tracks, globals, static_cast<std::uint8_t>(reserved), depth);
    } catch (const ImfError& error) {
        outcome.error = error.Message();
    }
    outcome.printed = testing::internal::GetCapturedStdout();
    return outcome;
}

std::vector<std::size_t> ListSizes(const TImfSong& song) {
    std::vector<std::size_t> sizes;
    for (const TInstructionList& list : song.channels)
        sizes.push_back(list.size());
    return sizes;
}

TTrackList Simultaneous(int count, std::int32_t start, std::int32_t end) {
    TTrackList tracks;
    for (int i = 0; i < count; ++i)
        tracks.push_back(NoteTrack(TimbreFrom(0x10), {{start, end}}));
    return tracks;
}

TTimbre WithFields(TTimbre timbre, std::initializer_list<std::uint16_t TTimbre::*> fields) {
    for (auto field : fields)
        timbre.*field = 0x70;
    return timbre;
}
} // namespace

TEST(TracksToSong, OverlappingNotesSpreadOverRegularChannelsFirst) {
    Outcome three =
        Allocate({NoteTrack(TimbreFrom(1), {{0, 30}}), NoteTrack(TimbreFrom(1), {{5, 35}}),
                  NoteTrack(TimbreFrom(1), {{10, 40}})},
                 {}, 1, -1);
    EXPECT_EQ(ListSizes(three.song), (std::vector<std::size_t>{0, 0, 14, 14, 14, 0, 0, 0, 0, 0}));

    Outcome nine = Allocate(Simultaneous(9, 0, 10), {}, 1, -1);
    EXPECT_EQ(nine.error, "");
    EXPECT_EQ(nine.printed, kReserveLine);
    for (int list = 1; list <= 9; ++list)
        EXPECT_EQ(nine.song.channels[list].size(), 14u) << list;

    Outcome ten = Allocate(Simultaneous(10, 0, 10), {}, 1, -1);
    EXPECT_EQ(ten.printed, kReserveLine + kReserveLine);
    EXPECT_EQ(ten.error, "ERROR: no channel available");

    Outcome noReserve = Allocate(Simultaneous(9, 0, 10), {}, 0, -1);
    EXPECT_EQ(noReserve.printed, "");
    EXPECT_EQ(noReserve.song.channels[1].size(), 14u);

    // The look-ahead never falls back on reserved channels.
    Outcome searched = Allocate(Simultaneous(9, 0, 10), {}, 1, 0);
    EXPECT_EQ(searched.printed, "");
    EXPECT_EQ(searched.error, "ERROR: no channel available");

    Outcome empty = Allocate({std::make_shared<TTrack>()}, {}, 1, -1);
    EXPECT_EQ(empty.error, "bad track");
}

// Three notes: X (timbre A, 0 to 10), Y (A with r20 changed, 5 to 15), Z (7 to 12). Channel 0
// holds Y's timbre, channel 1 a timbre two fields away from A and three from Y's.
class LookAhead : public testing::Test {
protected:
    void SetUp() override {
        const TTimbre a = TimbreFrom(0x10);
        const TTimbre y = WithFields(a, {&TTimbre::r20});
        tracks = {NoteTrack(a, {{0, 10}}), NoteTrack(y, {{5, 15}}),
                  NoteTrack(TimbreFrom(0x30), {{7, 12}})};
        for (const TrackRef& track : tracks)
            ReadyForAllocation(*track);
        for (TTimbre& timbre : timbres)
            timbre.InitUndefined();
        timbres[0] = y;
        timbres[1] = WithFields(a, {&TTimbre::r40, &TTimbre::r60});
    }

    // The channel chosen for X and its cost, with the tracks up to `count`.
    std::pair<int, std::int64_t> Choose(int depth, std::size_t count) {
        TTrackList some(tracks.begin(), tracks.begin() + count);
        std::int64_t cost = -1;
        int channel =
            FindBestChannel({0, 1}, *tracks[0], some, timbres, times, cost, depth, kNoLimit);
        return {channel, cost};
    }

    TTrackList tracks;
    ChannelTimbres timbres;
    ChannelTimes times{};
};

TEST_F(LookAhead, DepthZeroTakesTheCheapestNoteNow) {
    // On channel 0: one timbre write and the two key writes; on channel 1: two and two.
    EXPECT_EQ(Choose(0, 2), (std::pair<int, std::int64_t>{0, 3}));
    EXPECT_EQ(tracks[0]->instructions.size(), 14u); // the search works on copies
    EXPECT_EQ(timbres[0], WithFields(TimbreFrom(0x10), {&TTimbre::r20}));
}

TEST_F(LookAhead, DepthOneCountsTheNextNoteTwice) {
    // Channel 0: 3 + Y's best search on channel 1 (3 + 2) + sending it there (5) = 13.
    // Channel 1: 4 + Y's search on channel 0 (2) + sending it (2) = 8.
    EXPECT_EQ(Choose(1, 2), (std::pair<int, std::int64_t>{1, 8}));
}

TEST_F(LookAhead, DepthTwoStopsWhereANoteFindsNoChannel) {
    // Z starts while X and Y both sound: its search finds nothing and adds nothing.
    EXPECT_EQ(Choose(2, 3), (std::pair<int, std::int64_t>{1, 8}));
    TTrack stranger;
    stranger.AddInstruction(0xB0, 0x31, 0);
    std::int64_t cost = 0;
    try {
        FindBestChannel({0, 1}, stranger, tracks, timbres, times, cost, 0, kNoLimit);
        ADD_FAILURE() << "nothing raised";
    } catch (const ImfError& error) {
        EXPECT_EQ(error.Message(), "cannot find old track!");
    }
}

TEST(TracksToSong, LookAheadChangesTheChoice) {
    // P and Q set channels 7 and 8 to Y's timbre and to the timbre two fields from A.
    const TTimbre a = TimbreFrom(0x10);
    const TTimbre y = WithFields(a, {&TTimbre::r20});
    TTrackList tracks = {NoteTrack(y, {{0, 2}}),
                         NoteTrack(WithFields(a, {&TTimbre::r40, &TTimbre::r60}), {{0, 2}}),
                         NoteTrack(a, {{3, 10}}), NoteTrack(y, {{5, 15}})};
    EXPECT_EQ(ListSizes(Allocate(tracks, {}, 7, 0).song),
              (std::vector<std::size_t>{0, 0, 0, 0, 0, 0, 0, 0, 17, 19}));
    EXPECT_EQ(ListSizes(Allocate(tracks, {}, 7, 1).song),
              (std::vector<std::size_t>{0, 0, 0, 0, 0, 0, 0, 0, 16, 18}));
}

TEST(EarliestTrack, OnATieZeroLengthNotesGoFirstTheLastOfThemFirst) {
    // At tick 10: a note of length 5, then two notes of length 0; a later note at tick 20.
    const TTimbre timbre = TimbreFrom(0x10);
    TTrackList tracks = {NoteTrack(timbre, {{10, 15}}), NoteTrack(timbre, {{10, 10}}),
                         NoteTrack(timbre, {{10, 10}}), NoteTrack(timbre, {{20, 30}})};
    for (const TrackRef& track : tracks)
        ReadyForAllocation(*track);
    EXPECT_EQ(tracks[0]->GetNoteLength(), 5);
    EXPECT_EQ(tracks[1]->GetNoteLength(), 0);
    EXPECT_EQ(FindEarliestTrack(tracks), tracks[2].get());
    EarliestTrackQueue queue(tracks);
    EXPECT_EQ(queue.Earliest(), tracks[2].get());

    // Without the notes of length 0, list order decides the tie.
    tracks[2]->instructions.clear();
    tracks[1]->instructions.clear();
    queue.Update(tracks[2].get());
    queue.Update(tracks[1].get());
    tracks.push_back(NoteTrack(timbre, {{10, 12}}));
    ReadyForAllocation(*tracks.back());
    EXPECT_EQ(FindEarliestTrack(tracks), tracks[0].get());
    EXPECT_EQ(queue.Earliest(), tracks[0].get());

    // A track without a key-on has no note length; with one, the length runs to its key-off.
    auto bare = std::make_shared<TTrack>();
    bare->AddInstruction(0x20, 0x01, 3);
    EXPECT_EQ(bare->GetNoteLength(), -1);
    bare->AddInstruction(0xB0, 0x31, 4); // a note from 4 to 9, retuned at 6
    bare->AddInstruction(0xA0, 0x44, 6);
    bare->AddInstruction(0xB0, 0x11, 9);
    EXPECT_EQ(bare->GetNoteLength(), 5);
    tracks[3]->instructions.clear();
    queue.Update(tracks[3].get());
    tracks[0]->instructions.clear();
    queue.Update(tracks[0].get());
    EXPECT_EQ(queue.Earliest(), nullptr);
    EXPECT_EQ(FindEarliestTrack(TTrackList{tracks[0]}), nullptr);
}
