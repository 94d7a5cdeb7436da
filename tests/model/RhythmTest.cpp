#include "ImfError.h"
#include "ImfSong.h"
#include "ScriptedSurface.h"
#include "SongFeed.h"
#include "SongSection.h"

#include <gtest/gtest.h>

using testsupport::Feed;
using testsupport::FeedMore;

namespace {
std::vector<std::pair<int, int>> RegVals(const TInstructionList& list) {
    std::vector<std::pair<int, int>> out;
    for (const auto& i : list)
        out.emplace_back(i->reg, i->val);
    return out;
}
} // namespace

TEST(Rhythm, ModeSwitchReEmitsCurrentValuesInRegisterOrder) {
    TImfSong song;
    Feed(song, {{0xB6, 0x05}, {0xA6, 0x44}, {0x30, 0x11, 7}, {0xBD, 0x20}});
    EXPECT_EQ(song.rhythmMode, 1);
    EXPECT_TRUE(song.notes.empty());
    EXPECT_EQ(RegVals(song.channels[0]),
              (std::vector<std::pair<int, int>>{{0x30, 0x11}, {0xA6, 0x44}, {0xB6, 0x05}, {0xBD, 0x20}}));
    EXPECT_EQ(song.channels[0][0]->index, 0);
    EXPECT_EQ(song.channels[0][0]->globaltime, 7);
    EXPECT_EQ(song.channels[0][3]->index, 3);

    FeedMore(song, {{0xBD, 0x20}});
    EXPECT_EQ(song.channels[0].size(), 5u);

    // Slot 0: channel 6, operator 1.
    FeedMore(song, {{0x50, 0x3F, 3}, {0xBD, 0x21, 4}, {0xB6, 0x09}, {0xBD, 0x20}});
    ASSERT_EQ(song.notes.size(), 1u);
    const TNote& note = *song.notes[0];
    EXPECT_EQ(note.oldvoice, 9);
    EXPECT_EQ(note.startval, 0x05);
    EXPECT_EQ(note.starttime, 10);
    EXPECT_EQ(note.timbre.r20, 0x11);
    EXPECT_EQ(note.timbre.r40, 0x3F);
    EXPECT_EQ(note.timbre.rA0, 0x44);
    EXPECT_EQ(note.timbre.r60, 256);
    EXPECT_EQ(note.timbre.rC0, 256);
    for (auto field : {&TTimbre::r23, &TTimbre::r43, &TTimbre::r63, &TTimbre::r83, &TTimbre::rE3})
        EXPECT_EQ(note.timbre.*field, 256);
    EXPECT_EQ(note.endtime, 14);
    EXPECT_EQ(note.endval, 0x09);
    ASSERT_EQ(note.extras.size(), 1u); // 0xB6 routed to slots 0 and 1; only slot 0 sounds
    EXPECT_EQ(note.extras[0]->reg, 0xB6);
    EXPECT_EQ(song.activenotes[6], nullptr);
}

TEST(Rhythm, PercussionKeyBitsWorkWithModeOffAndSlotFourTakesAllRegisters) {
    TImfSong song;
    Feed(song, {{0x32, 0x01}, {0x35, 0x02}, {0xC8, 0x03}, {0xBD, 0x10}});
    EXPECT_EQ(song.rhythmMode, 0);
    ASSERT_EQ(song.notes.size(), 1u);
    EXPECT_EQ(song.notes[0]->oldvoice, 13);
    EXPECT_EQ(song.notes[0]->timbre.r20, 0x01);
    EXPECT_EQ(song.notes[0]->timbre.r23, 0x02);
    EXPECT_EQ(song.notes[0]->timbre.rC0, 0x03);
    EXPECT_EQ(song.notes[0]->startval, 0); // 0xB8 never written
}

TEST(Rhythm, ChannelSevenWritesReachTheExtrasOfTheirSlots) {
    TImfSong song;
    Feed(song, {{0xBD, 0x2C}, {0xA7, 0x10}, {0x34, 0x20}, {0x31, 0x30}, {0xB7, 0x31}});
    ASSERT_EQ(song.notes.size(), 2u);
    const TNote& slot2 = *song.notes[0];
    const TNote& slot3 = *song.notes[1];
    EXPECT_EQ(slot2.oldvoice, 11);
    EXPECT_EQ(slot3.oldvoice, 12);
    EXPECT_EQ(RegVals(slot2.extras),
              (std::vector<std::pair<int, int>>{{0xA7, 0x10}, {0x31, 0x30}, {0xB7, 0x31}}));
    EXPECT_EQ(RegVals(slot3.extras),
              (std::vector<std::pair<int, int>>{{0xA7, 0x10}, {0x34, 0x20}, {0xB7, 0x31}}));
    EXPECT_EQ(slot2.extras[0].get(), slot3.extras[0].get());
    EXPECT_EQ(song.channels[0][1].get(), slot2.extras[0].get());
    EXPECT_EQ(song.activenotes[7], nullptr); // a key-on to 0xB7 starts no melodic note
    EXPECT_TRUE(song.channels[8].empty());
}

TEST(Rhythm, SwitchingOffReEmitsIntoTheChannelListOnlyWhenNeeded) {
    TImfSong song;
    Feed(song, {{0x30, 0x01}, {0xBD, 0x20}, {0x30, 0x02}, {0xBD, 0x00}});
    EXPECT_EQ(RegVals(song.channels[7]), (std::vector<std::pair<int, int>>{{0x20, 0x01}, {0x20, 0x02}}));
    EXPECT_EQ(song.channels[7][1]->index, 0);

    TImfSong same;
    Feed(same, {{0x30, 0x01}, {0xBD, 0x20}, {0x30, 0x01}, {0xBD, 0x00}});
    EXPECT_EQ(same.channels[7].size(), 1u);
}

TEST(Rhythm, PercussionConsistencyErrors) {
    TImfSong song;
    Feed(song, {{0xBD, 0x21}});
    song.rhythmnotes[0] = nullptr;
    EXPECT_THROW(song.ProcessCommand(0xBD, 0x20), ImfError);
    song.oldrh = 0;
    song.rhythmnotes[0] = std::make_shared<TNote>();
    try {
        song.ProcessCommand(0xBD, 0x21);
        FAIL();
    } catch (const ImfError& error) {
        EXPECT_EQ(error.Message(), "note start while note active");
    }
}

TEST(Rhythm, SectionChains) {
    TInstructionList globals{MakeInstruction(0xBD, 0x20, 10), MakeInstruction(0x08, 0, 30),
                             MakeInstruction(0xBD, 0x00, 50), MakeInstruction(0x01, 0, 70)};
    TSongSectionChain chain(globals);
    ASSERT_EQ(chain.Count(), 3u);
    TSongSection* s = chain.First();
    EXPECT_EQ(std::tuple(s->starttime, s->endtime, s->rh), std::tuple(0, 10, 0));
    s = s->succ;
    EXPECT_EQ(std::tuple(s->starttime, s->endtime, s->rh), std::tuple(10, 50, 32));
    s = s->succ;
    EXPECT_EQ(std::tuple(s->starttime, s->endtime, s->rh), std::tuple(50, 70, 0));
    EXPECT_EQ(s->succ, nullptr);

    TSongSectionChain plain(TInstructionList{MakeInstruction(0x01, 0, 40)});
    EXPECT_EQ(plain.Count(), 1u);
    EXPECT_EQ(plain.First()->endtime, 40);
    TSongSectionChain empty{TInstructionList{}};
    EXPECT_EQ(empty.First()->endtime, 0);
}

TEST(Rhythm, CheckRhythmCountsChangesPerTick) {
    auto previous = InstallSurface(std::make_unique<ScriptedSurface>());
    auto& surface = static_cast<ScriptedSurface&>(Screen());
    TImfSong song;
    for (int t : {0, 0, 5, 5, 5, 9})
        song.channels[0].push_back(MakeInstruction(0xBD, 0, t));
    song.CheckRhythm();
    TImfSong single;
    single.channels[0].push_back(MakeInstruction(0xBD, 0, 1));
    single.channels[0].push_back(MakeInstruction(0xBD, 0, 2));
    single.CheckRhythm();
    TImfSong none;
    none.CheckRhythm();
    EXPECT_EQ(surface.notices, (std::vector<std::string>{"up to 3 rhythm changes per cycle",
                                                         "up to 1 rhythm changes per cycle",
                                                         "up to 0 rhythm changes per cycle"}));
    InstallSurface(std::move(previous));
}
