// Rendering a song piece by piece, from its start or from a later tick.
#include "SongStream.h"
#include "NoteStream.h"
#include "SongRender.h"

#include "Opl2Chip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {
int Loudest(const SampleBuffer& samples) {
    if (samples.empty())
        return 0;
    return std::abs(*std::max_element(samples.begin(), samples.end(),
                                      [](int a, int b) { return std::abs(a) < std::abs(b); }));
}
} // namespace

// Made piece by piece, in pieces of any size, the stream is the render sample for sample.
TEST(SongStream, PiecesMakeTheWholeRender) {
    std::vector<TimedWrite> writes = notestream::Note(56, 280);
    SampleBuffer whole = RenderWrites(writes, 560);
    SongStream stream(writes, 560);
    SampleBuffer pieces;
    for (std::int64_t end = 1; stream.Position() < std::int64_t(whole.size()); end = end * 3 + 7)
        stream.RenderUntil(pieces, std::min<std::int64_t>(end, whole.size()));
    EXPECT_TRUE(pieces == whole);
}

// Started at a later tick, the stream begins at that tick's first sample with the settings the
// song has there: a note keyed on before it sounds at once, the silence before it is skipped.
TEST(SongStream, StartsAtALaterTickWithTheSongsSettings) {
    std::vector<TimedWrite> writes = notestream::Note(56, 1120);
    SongStream stream(writes, 560, 560);
    EXPECT_EQ(stream.StartSample(), SampleOfTick(560, 560));
    EXPECT_EQ(stream.Position(), stream.StartSample());
    SampleBuffer samples;
    stream.RenderUntil(samples, stream.StartSample() + Opl2Chip::kSampleRate / 10);
    ASSERT_EQ(samples.size(), std::size_t(Opl2Chip::kSampleRate / 10));
    EXPECT_GT(Loudest(samples), 1000) << "the note sounds";
}

// A write to 0xB9, a register past the nine channels that the chip lacks, is no key register:
// muting the bass drum later keys no other drum on.
TEST(SongStream, ARegisterPastTheChannelsLeavesMutingAlone) {
    const std::vector<TimedWrite> writes = {
        {0, 0x31, 0x01}, {0, 0x71, 0xF2}, {0, 0x34, 0x01}, {0, 0x74, 0xF2}, {0, 0x32, 0x01},
        {0, 0x72, 0xF2}, {0, 0x35, 0x01}, {0, 0x75, 0xF2}, {0, 0xA7, 0x80}, {0, 0xB7, 0x09},
        {0, 0xA8, 0x80}, {0, 0xB8, 0x09}, {0, 0xBD, 0x20}, {0, 0xB9, 0x3F}, {560, 0xBD, 0x20}};
    SongStream stream(writes, 560);
    SampleBuffer samples;
    stream.RenderUntil(samples, Opl2Chip::kSampleRate / 2);
    stream.SetMuted(1 << 13); // the bass drum
    stream.RenderUntil(samples, Opl2Chip::kSampleRate);
    EXPECT_LT(Loudest(samples), 64) << "no drum is keyed on";
}
