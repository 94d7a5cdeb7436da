#include "ByteReader.h"
#include "ByteWriter.h"
#include "FileBytes.h"
#include "FormatsTestSupport.h"
#include "ImfError.h"
#include "ImfFile.h"
#include "KmfFile.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

using testsupport::MessageOf;
using testsupport::ReadBytes;
using testsupport::TempDir;
using testsupport::WriteBytes;

namespace {
std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}
} // namespace

TEST(ByteStream, LittleEndianNumbersBothWays) {
    ByteWriter out;
    out.U8(0x12);
    out.U16(0x3456);
    out.U32(0x1A464D4B);
    EXPECT_EQ(out.Bytes(), (std::vector<std::uint8_t>{0x12, 0x56, 0x34, 0x4B, 0x4D, 0x46, 0x1A}));

    ByteReader in(out.Bytes());
    EXPECT_EQ(in.U8(), 0x12);
    EXPECT_EQ(in.U16(), 0x3456);
    EXPECT_EQ(in.U32(), 0x1A464D4Bu);
    EXPECT_TRUE(in.AtEnd());
}

TEST(ByteStream, ShortReadRaisesAndKeepsThePosition) {
    std::vector<std::uint8_t> bytes{1, 2, 3};
    ByteReader in(bytes);
    EXPECT_EQ(MessageOf([&] { in.U32(); }), "Error reading from stream");
    EXPECT_EQ(in.Position(), 0u);
    EXPECT_EQ(in.U16(), 0x0201);
    EXPECT_EQ(MessageOf([&] { in.U16(); }), "Error reading from stream");
    EXPECT_EQ(in.U8(), 3);
    EXPECT_EQ(MessageOf([&] { in.U8(); }), "Error reading from stream");
    in.Seek(100);
    EXPECT_TRUE(in.AtEnd());
}

TEST(FileBytes, UnreadableFileRaisesWithItsPath) {
    TempDir dir;
    std::string missing = (dir / "missing.imf").string();
    EXPECT_EQ(MessageOf([&] { ReadFileBytes(missing); }), "ERROR: cannot read file: " + missing);
    TImfSong song;
    EXPECT_EQ(MessageOf([&] { LoadFile(song, missing); }), "ERROR: cannot read file: " + missing);
    std::string folder = dir.path().string();
    EXPECT_EQ(MessageOf([&] { LoadFile(song, folder); }), "ERROR: cannot read file: " + folder);
}

TEST(FileBytes, FileWithoutReadPermissionRaises) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root reads files whatever their permissions";
    TempDir dir;
    std::string path = (dir / "locked.imf").string();
    WriteBytes(path, {0, 0, 0, 0});
    ::chmod(path.c_str(), 0);
    TImfSong song;
    EXPECT_EQ(MessageOf([&] { LoadFile(song, path); }), "ERROR: cannot read file: " + path);
}

TEST(FileBytes, ReplacingLeavesNoTemporaryFileAndKeepsPermissions) {
    TempDir dir;
    std::string path = (dir / "song.imf").string();
    WriteBytes(path, {9, 9, 9, 9, 9, 9, 9, 9});
    ::chmod(path.c_str(), 0640);
    WriteFileReplacing(path, std::vector<std::uint8_t>{1, 2});
    EXPECT_EQ(ReadBytes(path), (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"song.imf"});
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0640u);
}

TEST(FileBytes, FailedSavesRaiseAndLeaveTheFolderAsItWas) {
    TempDir dir;
    TImfSong song;
    song.InitRead();
    song.channels[0].push_back(MakeInstruction(0x01, 0x20, 0));

    // A folder that does not exist.
    std::string lost = (dir / "no-such-folder" / "out.imf").string();
    EXPECT_EQ(MessageOf([&] { SaveImf(song, lost, 0); }), "ERROR: cannot write file: " + lost);
    // A folder standing where the file should go.
    std::filesystem::create_directory(dir / "taken.kmf");
    std::string taken = (dir / "taken.kmf").string();
    EXPECT_EQ(MessageOf([&] { SaveKMF(song, taken, 560); }), "ERROR: cannot write file: " + taken);
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"taken.kmf"});
    // A folder where no one may create files, not even the superuser.
    std::string refused = "/proc/imfproc-test-out.imf";
    EXPECT_EQ(MessageOf([&] { SaveImf(song, refused, 0); }),
              "ERROR: cannot write file: " + refused);

    // An error while the song is turned into records: the existing file stays whole.
    std::string kept = (dir / "kept.imf").string();
    WriteBytes(kept, {1, 2, 3, 4});
    song.channels[0].push_back(MakeInstruction(0x08, 0x00, -5));
    EXPECT_EQ(MessageOf([&] { SaveImf(song, kept, 0); }), "ERROR: impossible delay value: -5");
    EXPECT_EQ(ReadBytes(kept), (std::vector<std::uint8_t>{1, 2, 3, 4}));
    EXPECT_EQ(FolderEntries(dir.path()), (std::vector<std::string>{"kept.imf", "taken.kmf"}));
}

TEST(FileBytes, FolderWithoutWritePermissionRaises) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes into folders whatever their permissions";
    TempDir dir;
    ::chmod(dir.path().c_str(), 0555);
    TImfSong song;
    song.InitRead();
    std::string path = (dir / "out.imf").string();
    EXPECT_EQ(MessageOf([&] { SaveImf(song, path, 0); }), "ERROR: cannot write file: " + path);
    ::chmod(dir.path().c_str(), 0755);
}
