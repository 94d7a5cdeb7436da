// The indexed walks (the track choice and the tick look-ahead of SplitIntoTracks, the earliest
// track of the allocator, the last write of a register in the rhythm fix-up) give exactly what
// the straightforward walks give, on varied songs.
#include "ChannelAllocation.h"
#include "SplitTracks.h"
#include "StraightWalks.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace {
using Write = std::tuple<int, int, int>; // register, value, time

std::vector<std::vector<Write>> Contents(const TTrackList& tracks) {
    std::vector<std::vector<Write>> contents;
    for (const TrackRef& track : tracks) {
        contents.emplace_back();
        for (const InstructionRef& i : track->instructions)
            contents.back().emplace_back(i->reg, i->val, i->globaltime);
        contents.back().emplace_back(-1, track->globaltime, 0);
    }
    return contents;
}

TImfSong QuietRandomSong(unsigned seed) {
    testing::internal::CaptureStdout(); // the interpreter's unused key-off lines
    TImfSong song = worstcase::RandomSong(seed, 1500);
    testing::internal::GetCapturedStdout();
    return song;
}

template <typename Split> std::string Printed(Split split, TTrackList& tracks) {
    testing::internal::CaptureStdout();
    tracks = split();
    return testing::internal::GetCapturedStdout();
}
} // namespace

TEST(IndexedWalks, SplitIntoTracksGivesWhatTheWalkOverAllTracksGives) {
    int reusedTracks = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        TImfSong song = QuietRandomSong(seed);
        for (int grouping : {0, 1}) {
            TTrackList indexed, walked;
            std::string indexedText =
                Printed([&] { return SplitIntoTracks(song, grouping); }, indexed);
            std::string walkedText =
                Printed([&] { return straight::SplitIntoTracks(song, grouping); }, walked);
            ASSERT_EQ(Contents(indexed), Contents(walked))
                << "seed " << seed << " grouping " << grouping;
            ASSERT_EQ(indexedText, walkedText) << "seed " << seed;
            for (const TrackRef& track : indexed)
                reusedTracks += track->GetNoteLength() >= 0 && track->instructions.size() > 40;
        }
    }
    EXPECT_GT(reusedTracks, 100); // the songs do file several notes into one track
}

TEST(IndexedWalks, ATickOfManyWritesSplitsAsWithALookAheadPerWrite) {
    // Within one tick: writes, a key-on inside the note, more writes, a key-off, more writes.
    TImfSong song;
    song.InitRead();
    song.ProcessCommand(0xB2, 0x31);
    song.ProcessPause(1);
    for (int round = 0; round < 3; ++round) {
        for (int i = 0; i < 300; ++i)
            song.ProcessCommand(static_cast<std::uint8_t>(0x40 + 2), static_cast<std::uint8_t>(i));
        song.ProcessCommand(0xB2, round == 1 ? 0x11 : 0x32);
    }
    for (int i = 0; i < 100; ++i)
        song.ProcessCommand(0xA2, static_cast<std::uint8_t>(i));
    TTrackList indexed, walked;
    Printed([&] { return SplitIntoTracks(song, 1); }, indexed);
    Printed([&] { return straight::SplitIntoTracks(song, 1); }, walked);
    EXPECT_EQ(Contents(indexed), Contents(walked));
}

TEST(IndexedWalks, EarliestTrackQueueFollowsFindEarliestTrackNoteByNote) {
    int picks = 0;
    for (unsigned seed = 1; seed <= 20; ++seed) {
        TImfSong song = QuietRandomSong(seed);
        TTrackList tracks;
        Printed([&] { return SplitIntoTracks(song, 1); }, tracks);
        // Zero-length notes and equal start times, as the allocator meets them.
        for (const TrackRef& track : tracks) {
            track->timbre = TTimbre();
            track->globaltime = track->instructions.front()->globaltime;
        }
        EarliestTrackQueue queue(tracks);
        TTimbre channel;
        std::int32_t time = 0;
        for (;;) {
            TTrack* expected = FindEarliestTrack(tracks);
            ASSERT_EQ(queue.Earliest(), expected) << "seed " << seed << " pick " << picks;
            if (expected == nullptr)
                break;
            SendNote(*expected, nullptr, channel, time);
            queue.Update(expected);
            ++picks;
        }
    }
    EXPECT_GT(picks, 2000);
}

TEST(IndexedWalks, RhythmFixUpAppendsWhatABackwardScanFinds) {
    int switches = 0, fixUps = 0;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        std::mt19937 random(seed);
        TImfSong song;
        song.InitRead();
        for (int i = 0; i < 3000; ++i) {
            // Mostly registers of channels 6..8, and switches of the mode.
            static const std::uint8_t kRegs[] = {0x30, 0x33, 0x51, 0x74, 0x92, 0xA6,
                                                 0xA7, 0xB8, 0xC7, 0xF5, 0x20, 0x08};
            std::uint8_t reg = random() % 5 == 0 ? 0xBD : kRegs[random() % 12];
            auto val =
                static_cast<std::uint8_t>(reg == 0xBD ? (random() % 2) * 0x20 : random() % 3);
            bool on = (val & 0x20) != 0;
            bool switching = reg == 0xBD && on != (song.rhythmMode != 0);
            std::vector<TInstruction> expected;
            std::array<std::size_t, 10> sizes{};
            if (switching) {
                expected = straight::RhythmFixUps(song, on);
                for (int list = 0; list < 10; ++list)
                    sizes[list] = song.channels[list].size();
            }
            song.ProcessCommand(reg, val);
            song.ProcessPause(static_cast<int>(random() % 2));
            if (!switching)
                continue;
            ++switches;
            fixUps += static_cast<int>(expected.size());
            std::vector<std::tuple<int, int, int, int>> appended, wanted;
            for (int list = 0; list < 10; ++list) {
                for (std::size_t k = sizes[list]; k < song.channels[list].size(); ++k) {
                    const TInstruction& i = *song.channels[list][k];
                    if (!(list == 0 && i.reg == 0xBD)) // the switching write itself
                        appended.emplace_back(i.reg, i.val, i.globaltime, i.index);
                }
            }
            for (const TInstruction& i : expected)
                wanted.emplace_back(i.reg, i.val, i.globaltime, i.index);
            std::sort(appended.begin(), appended.end());
            std::sort(wanted.begin(), wanted.end());
            ASSERT_EQ(appended, wanted) << "seed " << seed << " write " << i;
        }
    }
    EXPECT_GT(switches, 1000);
    EXPECT_GT(fixUps, 1000);
}

TEST(IndexedWalks, UniqueTimbresCountAsWithASearchThroughTheKnownOnes) {
    for (unsigned seed = 1; seed <= 40; ++seed) {
        TImfSong song = QuietRandomSong(seed);
        ASSERT_EQ(song.CountUniqueTimbres(), straight::CountUniqueTimbres(song)) << "seed " << seed;
    }
    TImfSong song = worstcase::OneTrackPerNote(3000);
    EXPECT_EQ(song.CountUniqueTimbres(), straight::CountUniqueTimbres(song));
    EXPECT_GE(song.CountUniqueTimbres(), 3000);
}
