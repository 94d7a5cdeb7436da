#include "FileBytes.h"
#include "ImfFile.h"
#include "Interrupt.h"
#include "KmfFile.h"
#include "ListSongs.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <sys/stat.h>

using testsupport::MessageOf;
using testsupport::ReadBytes;
using testsupport::SongWith;
using testsupport::TempDir;
using testsupport::WriteBytes;
using Bytes = std::vector<std::uint8_t>;

namespace {
// list 0 at 0: 01 20; list `list` at 0: neutral B0 31, at 10: B0 11.
TImfSong TieSong(int list) {
    return SongWith({{0, 0x01, 0x20, 0}, {list, 0xB0, 0x31, 0}, {list, 0xB0, 0x11, 10}});
}
} // namespace

TEST(ImfWriter, RecordsInTimeOrderWithTheChannelsRealRegisters) {
    EXPECT_EQ(ImfBytes(TieSong(1), 0), (Bytes{0x00, 0x00, 0x00, 0x00, 0x01, 0x20, 0x00, 0x00, 0xB0,
                                              0x31, 0x0A, 0x00, 0xB0, 0x11, 0x00, 0x00}));
    EXPECT_EQ(ImfBytes(TieSong(4), 0), (Bytes{0x00, 0x00, 0x00, 0x00, 0x01, 0x20, 0x00, 0x00, 0xB3,
                                              0x31, 0x0A, 0x00, 0xB3, 0x11, 0x00, 0x00}));
    // With a length word: 3 records of 4 bytes, no all-zero record.
    EXPECT_EQ(ImfBytes(TieSong(1), 1), (Bytes{0x0C, 0x00, 0x01, 0x20, 0x00, 0x00, 0xB0, 0x31, 0x0A,
                                              0x00, 0xB0, 0x11, 0x00, 0x00}));
    // Operator registers: channel 4's second operator of neutral 0x43 is 0x4C.
    EXPECT_EQ(ImfBytes(SongWith({{5, 0x43, 0x3F, 0}}), 0), (Bytes{0, 0, 0, 0, 0x4C, 0x3F, 0, 0}));
}

TEST(ImfWriter, FirstWritesOwnTimeIsDroppedAndDelaysSpanLists) {
    // First write at 40, second at 50: the delay after the first record is 50.
    Bytes bytes =
        ImfBytes(SongWith({{0, 0x01, 0x20, 40}, {3, 0xA0, 0x44, 50}, {0, 0x08, 0, 300}}), 0);
    EXPECT_EQ(bytes, (Bytes{0, 0, 0, 0, 0x01, 0x20, 50, 0, 0xA2, 0x44, 0xFA, 0x00, 0x08, 0, 0, 0}));
    // Two writes of one list at one tick keep their order; lower lists go first.
    bytes = ImfBytes(SongWith({{2, 0xA0, 1, 5}, {2, 0xA0, 2, 5}, {1, 0xA0, 3, 5}}), 0);
    EXPECT_EQ(bytes, (Bytes{0, 0, 0, 0, 0xA0, 3, 5, 0, 0xA1, 1, 0, 0, 0xA1, 2, 0, 0}));
}

TEST(ImfWriter, WriteBeforeThePreviousOneRaises) {
    TImfSong song = SongWith({{1, 0xA0, 1, 10}, {1, 0xA0, 2, 20}, {1, 0xA0, 3, 5}});
    EXPECT_EQ(MessageOf([&] { ImfBytes(song, 0); }), "ERROR: impossible delay value: -15");
}

TEST(ImfWriter, LongGapsAreBridgedWithPaddingRecords) {
    TImfSong song = SongWith({{0, 0x01, 0x20, 0}, {0, 0x08, 0x40, 70000}});
    // 70000 = 65535 + 4465 (0x1171).
    EXPECT_EQ(ImfBytes(song, 0), (Bytes{0, 0, 0, 0, 0x01, 0x20, 0xFF, 0xFF, 0x00, 0x00, 0x71, 0x11,
                                        0x08, 0x40, 0, 0}));
    EXPECT_EQ(ImfBytes(song, 1),
              (Bytes{12, 0, 0x01, 0x20, 0xFF, 0xFF, 0x00, 0x00, 0x71, 0x11, 0x08, 0x40, 0, 0}));
    // Exactly 65535 fits one delay; twice 65535 needs one padding record.
    song = SongWith({{0, 0x01, 0x20, 0}, {0, 0x08, 0x40, 65535}, {0, 0x08, 0x41, 3 * 65535}});
    EXPECT_EQ(ImfBytes(song, 0), (Bytes{0,    0,    0, 0, 0x01, 0x20, 0xFF, 0xFF, 0x08, 0x40,
                                        0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0x08, 0x41, 0,    0}));
}

TEST(ImfWriter, SongKeepsItsLengthAfterTheLastWrite) {
    // Last write at 10, song length 300: the last record waits 290.
    TImfSong song = SongWith({{0, 0x01, 0x20, 0}, {1, 0xB0, 0x11, 10}}, 300);
    EXPECT_EQ(ImfBytes(song, 0), (Bytes{0, 0, 0, 0, 0x01, 0x20, 10, 0, 0xB0, 0x11, 0x22, 0x01}));
    // A length shorter than the last write's time changes nothing.
    song.globaltime = 4;
    EXPECT_EQ(ImfBytes(song, 0), (Bytes{0, 0, 0, 0, 0x01, 0x20, 10, 0, 0xB0, 0x11, 0, 0}));
    // A trailing silence above 65535 ticks is bridged, and the length word counts the padding.
    song.globaltime = 10 + 65535 + 7;
    EXPECT_EQ(ImfBytes(song, 1),
              (Bytes{12, 0, 0x01, 0x20, 10, 0, 0xB0, 0x11, 0xFF, 0xFF, 0, 0, 7, 0}));
}

TEST(FileWriting, ReplacingLeavesNoTemporaryFileAndKeepsPermissions) {
    TempDir dir;
    std::string path = (dir / "song.imf").string();
    WriteBytes(path, {9, 9, 9, 9, 9, 9, 9, 9});
    ::chmod(path.c_str(), 0640);
    WriteFileReplacing(path, std::vector<std::uint8_t>{1, 2});
    EXPECT_EQ(ReadBytes(path), (Bytes{1, 2}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(FileWritingDeathTest, ASignalWhileSavingEndsTheProgramWithNothingSaved) {
    TempDir dir;
    const std::string path = (dir / "song.imf").string();
    WriteBytes(path, {9, 9, 9, 9});
    // The signal lands while the file is written: the old file stays, no temporary one is left,
    // and the program dies of the signal.
    EXPECT_EXIT(
        {
            EndOnInterrupt();
            InterruptDeferred writing;
            std::raise(SIGTERM);
            WriteFileReplacing(path, std::vector<std::uint8_t>{1, 2});
            std::_Exit(0);
        },
        testing::KilledBySignal(SIGTERM), "");
    EXPECT_EQ(ReadBytes(path), (Bytes{9, 9, 9, 9}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);
    // Outside a save a signal ends the program at once.
    EXPECT_EXIT(
        {
            EndOnInterrupt();
            std::raise(SIGINT);
            std::_Exit(0);
        },
        testing::KilledBySignal(SIGINT), "");
}

TEST(FileWriting, FailedSavesRaiseAndLeaveTheFolderAsItWas) {
    TempDir dir;
    TImfSong song = SongWith({{0, 0x01, 0x20, 0}});
    std::string lost = (dir / "no-such-folder" / "out.imf").string();
    EXPECT_EQ(MessageOf([&] { SaveImf(song, lost, 0); }), "ERROR: cannot write file: " + lost);
    std::filesystem::create_directory(dir / "taken.kmf"); // a folder where the file should go
    std::string taken = (dir / "taken.kmf").string();
    EXPECT_EQ(MessageOf([&] { SaveKMF(song, taken, 560); }), "ERROR: cannot write file: " + taken);
    // An error while the song is turned into records: the existing file stays whole.
    std::string kept = (dir / "kept.imf").string();
    WriteBytes(kept, {1, 2, 3, 4});
    song.channels[0].push_back(MakeInstruction(0x08, 0x00, -5));
    EXPECT_EQ(MessageOf([&] { SaveImf(song, kept, 0); }), "ERROR: impossible delay value: -5");
    EXPECT_EQ(ReadBytes(kept), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}
