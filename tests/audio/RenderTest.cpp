#include "ChipEmulator.h"
#include "ImfError.h"
#include "NoteStream.h"
#include "Opl2Chip.h"
#include "SongRender.h"
#include "TickRate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {
constexpr int kRate = Opl2Chip::kSampleRate;

// The first sample beyond the chip's idle output: an operator at full attenuation still gives
// -1 on the negative half of its phase once a frequency is set.
std::size_t FirstSound(const SampleBuffer& samples) {
    return static_cast<std::size_t>(std::find_if(samples.begin(), samples.end(),
                                                 [](std::int16_t s) { return std::abs(s) > 1; }) -
                                    samples.begin());
}
} // namespace

TEST(RenderTest, SilentSongsRenderTwoSecondsOfSilence) {
    SampleBuffer empty = RenderWrites({}, 560);
    EXPECT_EQ(empty.size(), std::size_t(2 * kRate));
    EXPECT_EQ(FirstSound(empty), empty.size());

    // Timbre writes without a key-on, and a song whose length runs past its last write.
    std::vector<TimedWrite> noKeyOn = notestream::Note(0, 0);
    noKeyOn.resize(10);
    SampleBuffer quiet = RenderWrites(noKeyOn, 560, 1120);
    EXPECT_EQ(quiet.size(), std::size_t(4 * kRate));
    EXPECT_EQ(FirstSound(quiet), quiet.size());
}

TEST(RenderTest, NotesStartOnTheirTickWithoutDrift) {
    // One second at 560 Hz lands on sample 49716; the chip answers the key-on within a sample.
    SampleBuffer second = RenderWrites(notestream::Note(560, 600), 560);
    EXPECT_EQ(second.size(), std::size_t(53267 + 2 * kRate)) << "two seconds after tick 600";
    EXPECT_LE(FirstSound(second) - std::size_t(kRate), 1u);
    EXPECT_GE(FirstSound(second), std::size_t(kRate));

    // 700 ticks per second leave a fraction of a sample per tick; 20 s in it must not have added
    // up.
    SampleBuffer late = RenderWrites(notestream::Note(20 * 700, 20 * 700 + 70), 700);
    EXPECT_LE(FirstSound(late) - std::size_t(20 * kRate), 1u);
    EXPECT_GE(FirstSound(late), std::size_t(20 * kRate));
}

TEST(RenderTest, WaveformsNeedTheWaveformSelectEnable) {
    // Like the OPL2, the chip plays sines until bit 5 of register 0x01 allows other waveforms;
    // a waveform written before the enable takes effect once it is set.
    std::vector<TimedWrite> plain = notestream::Note(0, 560);
    std::vector<TimedWrite> halfSine = plain;
    halfSine.insert(halfSine.begin(), {0, 0xE3, 0x01});
    EXPECT_EQ(RenderWrites(halfSine, 560), RenderWrites(plain, 560));

    std::vector<TimedWrite> enabled = halfSine;
    enabled.insert(enabled.end() - 1, {280, 0x01, 0x20});
    SampleBuffer before = RenderWrites(plain, 560), after = RenderWrites(enabled, 560);
    auto middle = before.begin() + kRate / 2;
    EXPECT_TRUE(std::equal(before.begin(), middle, after.begin()));
    EXPECT_FALSE(std::equal(middle, before.end(), after.begin() + kRate / 2));
    auto [low, high] = std::minmax_element(after.begin() + kRate / 2 + 10, after.begin() + kRate);
    EXPECT_LT(std::min(-*low, int(*high)), 64) << "a half sine swings to one side only";
    auto [plainLow, plainHigh] = std::minmax_element(middle + 10, before.begin() + kRate);
    EXPECT_GT(std::min(-*plainLow, int(*plainHigh)), 3000);
}

TEST(RenderTest, TickRateComesFromOptionThenKmfThenExtension) {
    EXPECT_EQ(ChooseTickRate(1000, 280, "a.wlf"), 1000);
    EXPECT_EQ(ChooseTickRate(0, 280, "a.wlf"), 280);
    EXPECT_EQ(ChooseTickRate(0, 0, "music/a.wlf"), 700);
    EXPECT_EQ(ChooseTickRate(0, 0, "A.WLF"), 700);
    EXPECT_EQ(ChooseTickRate(0, 0, "a.imf"), 560);
    EXPECT_EQ(ChooseTickRate(0, 0, "wlf"), 560);
}

TEST(RenderTest, ImpossibleRendersRaiseErrors) {
    EXPECT_THROW(RenderWrites({}, 0), ImfError);
    try {
        RenderWrites({{2'000'000'000, 0x20, 0x01}}, 560);
        ADD_FAILURE() << "a render of 41 days was attempted";
    } catch (const ImfError& error) {
        EXPECT_EQ(error.Message(), "ERROR: song too long to render: 3571430 seconds");
    }
}

TEST(RenderTest, EveryEmulatorRendersADrumAlikeEachTime) {
    // A hi-hat and a snare: noise, which some cores draw from the C library's random numbers.
    const std::vector<TimedWrite> drums = {{0, 0x31, 0x01}, {0, 0x51, 0x00}, {0, 0x71, 0xF2},
                                           {0, 0x91, 0x04}, {0, 0x34, 0x01}, {0, 0x54, 0x00},
                                           {0, 0x74, 0xF2}, {0, 0x94, 0x04}, {0, 0xA7, 0x80},
                                           {0, 0xB7, 0x09}, {0, 0xBD, 0x29}, {280, 0xBD, 0x20}};
    for (Emulator emulator : {Emulator::Nuked, Emulator::Dosbox, Emulator::Mame}) {
        const SampleBuffer first = RenderWrites(drums, 560, 0, 0, emulator);
        EXPECT_GT(first.size() - FirstSound(first), std::size_t(kRate)) << EmulatorName(emulator);
        EXPECT_EQ(RenderWrites(drums, 560, 0, 0, emulator), first) << EmulatorName(emulator);
    }
}
