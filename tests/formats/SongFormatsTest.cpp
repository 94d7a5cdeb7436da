#include "SongFormats.h"

#include <gtest/gtest.h>

namespace {
TickedWrites TwoNotes() {
    TickedWrites writes;
    writes.writes = {{0, 0x20, 0x01}, {0, 0xB0, 0x31}, {10, 0xB0, 0x11}};
    writes.length = 20;
    return writes;
}
} // namespace

TEST(SongFormats, EveryWrittenFormatIsRecognisedByItsOwnProbe) {
    for (const SongFileFormat& format : SongFileFormats()) {
        if (!format.write)
            continue;
        SCOPED_TRACE(format.name);
        std::vector<std::uint8_t> bytes = format.write(TwoNotes(), OutputSettings());
        EXPECT_EQ(FormatOfBytes(bytes).kind, format.kind);
    }
}

TEST(SongFormats, AnOutputsExtensionChoosesAWrittenFormat) {
    EXPECT_EQ(FormatOfOutputPath("a.KMF").kind, SongFileKind::Kmf);
    EXPECT_EQ(FormatOfOutputPath("a.vgz").kind, SongFileKind::Vgz);
    EXPECT_EQ(FormatOfOutputPath("a.dro").kind, SongFileKind::Dro);
    EXPECT_EQ(FormatOfOutputPath("a.wlf").kind, SongFileKind::Imf);
    // RAW is only read: an output of that name is IMF, as is any other.
    EXPECT_EQ(FormatOfOutputPath("a.raw").kind, SongFileKind::Imf);
    EXPECT_EQ(FormatOfOutputPath("song").kind, SongFileKind::Imf);
}
