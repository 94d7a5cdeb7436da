// Captured music in and out: the DRO, RAW and VGM readers on hand-built bytes and real files,
// the time rule, the one-chip rule and the round trips through the VGM and DRO writers.
#include "DroFile.h"
#include "ImfFile.h"
#include "ListSongs.h"
#include "SongSource.h"
#include "SongWrites.h"
#include "TestSupport.h"
#include "VgmFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

using testsupport::MessageOf;
using Bytes = std::vector<std::uint8_t>;
using Write = std::tuple<std::int64_t, int, int>; // time in the capture's units, reg, val

namespace {
const std::string kSecondChip =
    "ERROR: song uses a second chip or OPL3 registers; IMF holds one OPL2";

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}
Bytes U32(std::uint32_t v) {
    return {Bytes::value_type(v), Bytes::value_type(v >> 8), Bytes::value_type(v >> 16),
            Bytes::value_type(v >> 24)};
}
std::uint32_t U32At(const Bytes& bytes, std::size_t at) {
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 |
           std::uint32_t{bytes[at + 3]} << 24;
}
Bytes Text(const std::string& s) {
    return Bytes(s.begin(), s.end());
}
Bytes DroV1(std::uint32_t ms, const Bytes& data) {
    return Cat(
        Cat(Text("DBRAWOPL"), Cat(Cat(U32(0x10000), U32(ms)), Cat(U32(data.size()), U32(0)))),
        data);
}
Bytes DroV2(const Bytes& pairs, std::uint8_t compression = 0) {
    Bytes head = Cat(Cat(Text("DBRAWOPL"), {2, 0, 0, 0}), Cat(U32(pairs.size() / 2), U32(0)));
    return Cat(Cat(head, {0, 0, compression, 0x02, 0x03, 2, 0x20, 0xB0}), pairs);
}
Bytes Raw(const Bytes& data) {
    return Cat(Cat(Text("RAWADATA"), {0x10, 0x00}), data); // clock 16
}
Bytes Vgm(const Bytes& data, std::uint32_t version = 0x151) {
    Bytes head(0x40, 0);
    std::copy_n("Vgm ", 4, head.begin());
    head[8] = std::uint8_t(version), head[9] = std::uint8_t(version >> 8);
    if (version >= 0x150)
        head[0x34] = 0x0C; // data from 0x40
    return Cat(head, data);
}

Capture Read(const Bytes& bytes) {
    return *ReadSongSource(bytes, "x").capture;
}
std::vector<Write> WritesOf(const Bytes& bytes) {
    std::vector<Write> writes;
    for (const CaptureWrite& w : Read(bytes).writes)
        writes.emplace_back(w.time, w.reg, w.val);
    return writes;
}
std::string ErrorOf(const Bytes& bytes) {
    return MessageOf([&] { ReadSongSource(bytes, "x"); });
}
} // namespace

TEST(CaptureReaders, DroVersion1CodesEscapesChipsAndTheUnescapedRegisterDump) {
    // 0x00 n and 0x01 nn wait n+1 ms; 0x04 escapes register 0x02; chip 1 gets a set-up zero.
    Bytes data = {0x03, 0xB0, 0x00, 0x02, 0x20, 0x01, 0x00, 0x01,
                  0x04, 0x02, 0x07, 0x01, 0x02, 0x00, 0xB0, 0x31};
    EXPECT_EQ(WritesOf(DroV1(5, data)),
              (std::vector<Write>{{0, 0x20, 0x01}, {2, 0x02, 0x07}, {5, 0xB0, 0x31}}));
    EXPECT_EQ(Read(DroV1(5, data)).length, 5);
    data[2] = 0x09; // a real write to chip 1
    EXPECT_EQ(ErrorOf(DroV1(5, data)), kSecondChip);
    // After a wait, long or short, even a zero to chip 1 is music on a second chip.
    EXPECT_EQ(ErrorOf(DroV1(1, {0xB0, 0x31, 0x01, 0x00, 0x00, 0x03, 0x20, 0x00})), kSecondChip);
    EXPECT_EQ(ErrorOf(DroV1(1, {0xB0, 0x31, 0x00, 0x00, 0x03, 0x20, 0x00})), kSecondChip);
    // A dump starting 01 20 read literally waits 0x0420+1 ms; its header says 3 ms.
    Bytes dump = {0x01, 0x20, 0x04, 0x06, 0x00, 0x02, 0xB0, 0x31};
    Capture mended = Read(DroV1(3, dump));
    EXPECT_EQ(mended.writes.size(), 3u);
    EXPECT_NE(mended.notes.at(0).find("as registers"), std::string::npos);
    Capture literal = Read(DroV1(1057, dump)); // the literal waits add up: kept
    EXPECT_EQ(literal.writes.size(), 2u);
    // Early files: a one-byte hardware type, told by the three data bytes after it.
    Bytes early = DroV1(0, {0xB0, 0x31, 0xA0, 0x44});
    early.erase(early.begin() + 21, early.begin() + 24);
    EXPECT_EQ(WritesOf(early), (std::vector<Write>{{0, 0xB0, 0x31}, {0, 0xA0, 0x44}}));
    Bytes shortest = DroV1(0, {0x04, 0xB0, 0x31}); // three bytes of data: 24 in all
    shortest.erase(shortest.begin() + 21, shortest.begin() + 24);
    EXPECT_EQ(WritesOf(shortest), (std::vector<Write>{{0, 0xB0, 0x31}}));
    // Only three bytes that are all set tell an early file: data whose third byte is 0 is
    // taken for a later file's hardware type, and then runs short.
    Bytes ambiguous = DroV1(2, {0xB0, 0x31, 0x00, 0x01});
    ambiguous.erase(ambiguous.begin() + 21, ambiguous.begin() + 24);
    EXPECT_EQ(ErrorOf(ambiguous), "Error reading from stream");
    ambiguous = DroV1(2, {0xB0, 0x00, 0x31, 0x01});
    ambiguous.erase(ambiguous.begin() + 21, ambiguous.begin() + 24);
    EXPECT_EQ(ErrorOf(ambiguous), "Error reading from stream");
    EXPECT_EQ(ErrorOf(DroV1(3, {0x01, 0x20})), "Error reading from stream");
    Bytes cut = DroV1(5, data); // the header claims a byte more than follows
    cut.pop_back();
    EXPECT_EQ(ErrorOf(cut), "Error reading from stream");
    EXPECT_EQ(ErrorOf(Cat(Text("DBRAWOPL"), U32(0x10000))), "Error reading from stream");
    // Neither reading matches the header's length: the literal one, with a warning.
    Capture neither = Read(DroV1(7, {0x00, 0x02, 0xB0, 0x31}));
    EXPECT_EQ(neither.writes.size(), 1u);
    EXPECT_EQ(neither.warnings, (std::vector<std::string>{"warning: the waits of the DRO file add "
                                                          "up to 3 ms, its header says 7 ms"}));
    EXPECT_EQ(neither.notes, (std::vector<std::string>{"DRO version 1 read literally; the waits of "
                                                       "the DRO file add up to 3 ms, its header "
                                                       "says 7 ms"}));
    EXPECT_EQ(ErrorOf(Cat(Text("DBRAWOPL"), U32(0x10003))),
              "ERROR: DRO version 3.1 is not supported");
}

TEST(CaptureReaders, DroVersion2DelaysChipBitCodeMapAndTags) {
    // Map {0x20, 0xB0}; short delay code 2 waits v+1 ms, long code 3 waits (v+1)*256 ms.
    Bytes pairs = {0x00, 0x01, 0x02, 0x04, 0x01, 0x31, 0x03, 0x01, 0x01, 0x11};
    Bytes tags = Cat({0xFF, 0xFF, 0x1A}, Cat(Text("Song"), Cat({0, 0x1B}, Text("Me"))));
    tags = Cat(tags, Cat({0, 0x1C}, Text("About")));
    Capture song = Read(Cat(DroV2(pairs), tags));
    EXPECT_EQ(song.description, "About");
    // A description stops at 1023 bytes.
    const Capture longText =
        Read(Cat(DroV2(pairs), Cat({0xFF, 0xFF, 0x1A, 0, 0x1C}, Text(std::string(1030, 'd')))));
    EXPECT_EQ(longText.description, std::string(1023, 'd'));
    // A title and an author stop at 40 bytes.
    const Capture title40 =
        Read(Cat(DroV2(pairs), Cat({0xFF, 0xFF, 0x1A}, Text(std::string(45, 't')))));
    EXPECT_EQ(title40.title, std::string(40, 't'));
    const Capture author40 =
        Read(Cat(DroV2(pairs), Cat({0xFF, 0xFF, 0x1A, 'T', 0, 0x1B}, Text(std::string(45, 'a')))));
    EXPECT_EQ(author40.author, std::string(40, 'a'));
    EXPECT_EQ(WritesOf(DroV2(pairs)),
              (std::vector<Write>{{0, 0x20, 1}, {5, 0xB0, 0x31}, {517, 0xB0, 0x11}}));
    EXPECT_EQ(std::tie(song.title, song.author), std::tie("Song", "Me"));
    EXPECT_EQ(ErrorOf(DroV2({0x81, 0x31})), kSecondChip);               // index bit 7: chip 1
    EXPECT_EQ(Read(DroV2({0x80, 0x00, 0x00, 0x01})).writes.size(), 1u); // its set-up zero dropped
    EXPECT_EQ(ErrorOf(DroV2({0x05, 0x00})),
              "ERROR: DRO register index 5 outside its code map of 2");
    EXPECT_EQ(ErrorOf(DroV2(pairs, 1)), "ERROR: DRO format 0 or compression 1 is not supported");
    Bytes wide = DroV2(pairs);
    wide[25] = 129; // seven bits of index reach 128 registers
    EXPECT_EQ(ErrorOf(wide), "ERROR: DRO code map of 129 entries");
    // Two bytes after the pairs are too few for a tag block.
    EXPECT_EQ(Read(Cat(DroV2(pairs), {0xFF, 0xFF})).title, "");
    Bytes cut = DroV2(pairs);
    cut.pop_back();
    EXPECT_EQ(ErrorOf(cut), "Error reading from stream");
}

TEST(CaptureReaders, RawClockChangesChipsAndEnd) {
    // Pairs are (value, register): wait 2 periods of clock 16, a write, the clock becomes 32,
    // a wait of 0 (256 periods), low chip selected, FF FF ends before the last write.
    Bytes data = {0x02, 0x00, 0x31, 0xB0, 0x00, 0x02, 0x20, 0x00, 0x00,
                  0x00, 0x01, 0x02, 0x11, 0xB0, 0xFF, 0xFF, 0x01, 0x20};
    EXPECT_EQ(WritesOf(Raw(data)),
              (std::vector<Write>{{32, 0xB0, 0x31}, {32 + 256 * 32, 0xB0, 0x11}}));
    EXPECT_EQ(Read(Raw(data)).unitsPerSecond, 1193180);
    EXPECT_EQ(ErrorOf(Raw({0x02, 0x02, 0x31, 0xB0})), kSecondChip);
    EXPECT_EQ(ErrorOf(Raw({0x31, 0xB0, 0x00})), "Error reading from stream");
    EXPECT_EQ(ErrorOf(Raw({0x00, 0x02, 0x10})), "Error reading from stream"); // clock cut short
}

TEST(CaptureReaders, VgmWaitsChipsSkippedCommandsAndRefusals) {
    Bytes data = {0x5F, 0x05, 0x00, 0x5A, 0x20, 0x01, 0x61, 0x10, 0x00, 0x62,
                  0x63, 0x7F, 0x5B, 0xB0, 0x31, 0x50, 0x9F, 0x67, 0x66, 0x00,
                  0x02, 0,    0,    0,    0xAA, 0xBB, 0x66, 0x5A, 0x01, 0x01};
    // 0x5A and 0x5B are two chips: the YM3526 write makes the song play on both.
    EXPECT_EQ(ErrorOf(Vgm(data)), kSecondChip);
    data[12] = 0x5A; // port 1's set-up zero is dropped
    EXPECT_EQ(WritesOf(Vgm(data)),
              (std::vector<Write>{{0, 0x20, 1}, {16 + 735 + 882 + 16, 0xB0, 0x31}}));
    EXPECT_EQ(WritesOf(Vgm(data, 0x110)).size(), 2u); // before 1.50: data from 0x40 as well
    // The loop starts at the second write kept once the second chip's set-up zero is gone.
    Bytes looped =
        Vgm({0x5F, 0x05, 0x00, 0x5A, 0x20, 0x01, 0x61, 0x10, 0x00, 0x5A, 0xB0, 0x31, 0x66});
    looped[0x1C] = 0x49 - 0x1C;
    const Capture loop = Read(looped);
    EXPECT_EQ(loop.writes.size(), 2u);
    EXPECT_EQ(loop.loopWrite, 1u);
    EXPECT_EQ(loop.loopTime, 16);
    // After a wait even a zero to the second port is music on another chip.
    EXPECT_EQ(ErrorOf(Vgm({0x5A, 0x20, 0x01, 0x70, 0x5F, 0x05, 0x00})), kSecondChip);
    // 0x8n plays a sample of another chip, then waits n samples.
    EXPECT_EQ(WritesOf(Vgm({0x80, 0x5A, 0x20, 0x01, 0x85, 0x5A, 0xB0, 0x31, 0x8F})),
              (std::vector<Write>{{0, 0x20, 1}, {5, 0xB0, 0x31}}));
    EXPECT_EQ(Read(Vgm({0x80, 0x5A, 0x20, 0x01, 0x85, 0x5A, 0xB0, 0x31, 0x8F})).length, 20);
    // A command that ends exactly at the end of the file, with no end command after it.
    EXPECT_EQ(WritesOf(Vgm({0x5A, 0x20, 0x01, 0x52, 1, 2})), (std::vector<Write>{{0, 0x20, 1}}));
    // Set-up zeros to another chip of the family go with it; the music's chip stays.
    EXPECT_EQ(WritesOf(Vgm({0x5E, 0x20, 0x00, 0x5A, 0x20, 0x01})),
              (std::vector<Write>{{0, 0x20, 1}}));
    // Other chips' commands of each length are stepped over: 2 to 6, 11 and 12 bytes.
    // clang-format off
    const Bytes others = {0x30, 1, 0x40, 1, 0x4F, 1, 0x52, 1, 2, 0x55, 1, 2, 0xA0, 1, 2,
                          0xB4, 1, 2, 0xC0, 1, 2, 3, 0xE0, 1, 2, 3, 4, 0x94, 1,
                          0x90, 1, 2, 3, 4, 0x91, 1, 2, 3, 4, 0x95, 1, 2, 3, 4,
                          0x92, 1, 2, 3, 4, 5, 0x93, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10,
                          0x68, 0x66, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10,
                          0x5A, 0x20, 0x01};
    // The last command of each range, and 0x51 and 0x5D beside the OPL writes.
    const Bytes lasts = {0x3F, 1, 0x4E, 1, 0x50, 1, 0x51, 1, 2, 0x5D, 1, 2, 0xBF, 1, 2,
                         0xDF, 1, 2, 3, 0xFF, 1, 2, 3, 4, 0x5A, 0x20, 0x01};
    // clang-format on
    EXPECT_EQ(WritesOf(Vgm(others)), (std::vector<Write>{{0, 0x20, 1}}));
    EXPECT_EQ(WritesOf(Vgm(lasts)), (std::vector<Write>{{0, 0x20, 1}}));
    // A data block that ends exactly at the end of the file.
    EXPECT_EQ(WritesOf(Vgm({0x5A, 0x20, 0x01, 0x67, 0x66, 0x00, 0x02, 0, 0, 0, 0xAA, 0xBB})),
              (std::vector<Write>{{0, 0x20, 1}}));
    EXPECT_EQ(WritesOf(Vgm(Bytes{0x40, 1, 2, 0x5A, 0x20, 0x01}, 0x160)),
              (std::vector<Write>{{0, 0x20, 1}})); // two operands from 1.60 on
    EXPECT_EQ(ErrorOf(Vgm({0x5E, 0x20, 0x01, 0x5F, 0x05, 0x01})), kSecondChip); // OPL3 mode on
    EXPECT_EQ(ErrorOf(Vgm({0x61, 0x01, 0x00, 0xAA, 0xB0, 0x31})), kSecondChip);
    EXPECT_EQ(ErrorOf(Vgm({0x61, 0x01, 0x00, 0x2F})),
              "ERROR: unknown VGM command 0x2F at offset 67");
    // Bytes past the end-of-file offset are not music.
    Bytes padded = Vgm({0x5A, 0x20, 0x01, 0x2F});
    padded[4] = 0x43 - 4;
    EXPECT_EQ(WritesOf(padded), (std::vector<Write>{{0, 0x20, 1}}));
    padded[4] = 0x40 - 4; // an offset at the data's start is not believed
    EXPECT_EQ(ErrorOf(padded), "ERROR: unknown VGM command 0x2F at offset 67");
    EXPECT_EQ(ErrorOf(Vgm({0x5A, 0x20})), "Error reading from stream");
    EXPECT_EQ(ErrorOf(Vgm({0x67, 0x66, 0x00, 0xFF, 0, 0, 0})), "Error reading from stream");
}

TEST(CaptureReaders, VgmTagTextsAndTheTagKeptWhole) {
    // Eleven UTF-16 texts: title (with characters of two and three UTF-8 bytes and half of a
    // surrogate pair), its Japanese form, game, its Japanese form, system, its Japanese form,
    // author, ...
    const std::vector<std::vector<std::uint16_t>> texts = {
        {'T', 0xE9, 0x2713, 0xD800, 0xDFFF, 0xE000, 0x7F, 0x80, 0x7FF, 0x800, 0xD7FF},
        {'J'},
        {'G', 'a', 'm', 'e'},
        {},
        {'P', 'C'},
        {},
        {'M', 'e'},
        {},
        {'2', '0'},
        {},
        {}};
    Bytes strings;
    for (const auto& text : texts) {
        for (std::uint16_t unit : text)
            strings.insert(strings.end(), {std::uint8_t(unit), std::uint8_t(unit >> 8)});
        strings.insert(strings.end(), {0, 0});
    }
    Bytes tag = Cat(Cat(Text("Gd3 "), U32(0x100)), Cat(U32(strings.size()), strings));
    Bytes file = Cat(Vgm({0x5A, 0x20, 0x01, 0x66}), tag);
    file[0x14] = 0x44 - 0x14; // the tag after the four bytes of data from 0x40
    const Capture song = Read(file);
    EXPECT_EQ(song.title, "T\u00e9\u2713??\ue000\x7f\u0080\u07ff\u0800\ud7ff");
    EXPECT_EQ(song.game, "Game");
    EXPECT_EQ(song.author, "Me");
    EXPECT_EQ(song.tag, tag);
    // A tag that claims more than the file holds is read but not kept.
    file[0x44 + 8] += 1;
    const Capture damaged = Read(file);
    EXPECT_EQ(damaged.game, "Game");
    EXPECT_TRUE(damaged.tag.empty());
    // Nor is one without its magic.
    file[0x44] = 'X';
    EXPECT_EQ(Read(file).game, "");
}

TEST(CaptureTime, WritesGoToTheNearestTickHalvesUpInFileOrder) {
    EXPECT_EQ(TickOfTime(1, 1000, 500), 1);       // 0.5 tick
    EXPECT_EQ(TickOfTime(2999, 1000, 500), 1500); // 1499.5 ticks
    EXPECT_EQ(TickOfTime(2998, 1000, 500), 1499);
    EXPECT_EQ(TickOfTime(103907280, 1193180, 560), 48767); // crusader.raw's length, exactly
    // 1 ms and 2 ms at 500 ticks per second both land on tick 1, in their file order.
    TickedWrites song =
        ReadSongSource(DroV1(2, {0xB0, 0x31, 0x00, 0x00, 0xB0, 0x11, 0x00, 0x00, 0xA0, 0x44}), "x")
            .Writes(500);
    EXPECT_EQ(song.writes.size(), 3u);
    EXPECT_EQ(std::make_tuple(song.writes[1].time, song.writes[1].val, song.writes[2].time),
              std::make_tuple(1, 0x11, 1));
    EXPECT_EQ(song.length, 1);
}

TEST(CaptureWriters, ImfThroughVgmAndDroGivesBackEveryWriteAtItsTick) {
    TickedWrites song;
    song.writes = {
        {3, 0x20, 0x01}, {3, 0xBD, 0x20}, {4, 0xB0, 0x31}, {70000, 0xB0, 0x11}, {70001, 0x43, 0}};
    song.length = 70500;
    for (int rate : {560, 700, 280}) {
        for (bool vgm : {true, false}) {
            // The title holds characters of one, two and three UTF-8 bytes.
            Bytes bytes = vgm ? VgmBytes(song, rate, "T \u00e9 \u2713") : DroBytes(song, rate);
            SongSource source = ReadSongSource(bytes, "x");
            Bytes imf = ImfBytesOfWrites(source.Writes(rate), 0);
            SongSource back = ReadSongSource(imf, "x.imf");
            EXPECT_EQ(testsupport::SongWrites(SongOfWrites(back.imfWrites)),
                      testsupport::SongWrites(SongOfWrites(song)))
                << rate << vgm;
            EXPECT_EQ(back.imfWrites.length, song.length) << rate << vgm;
            EXPECT_EQ(source.capture->title, vgm ? "T \u00e9 \u2713" : "");
        }
    }
    // A loop at the third write, and one after the last, come back where they were.
    song.loopTime = 4;
    song.loopWrite = 2;
    EXPECT_EQ(Read(VgmBytes(song, 560, "")).loopWrite, 2u);
    song.loopTime = 70400;
    song.loopWrite = song.writes.size();
    const Capture atEnd = Read(VgmBytes(song, 560, ""));
    EXPECT_EQ(atEnd.loopWrite, song.writes.size());
    EXPECT_EQ(atEnd.loopTime, std::int64_t{70400} * 44100 / 560);
    EXPECT_EQ(CaptureTicks(atEnd, 560).loopWrite, song.writes.size());
    song.loopTime = 0; // a loop at the very start
    song.loopWrite = 0;
    const Capture atStart = Read(VgmBytes(song, 560, ""));
    EXPECT_EQ(atStart.loopWrite, 0u);
    EXPECT_EQ(atStart.loopTime, 0);

    // A DRO code map holds 128 registers, two of its codes the delays: 126 fit, 127 do not.
    TickedWrites wide;
    for (int reg = 0x20; reg < 0x20 + 126; ++reg)
        wide.writes.push_back({0, static_cast<std::uint8_t>(reg), 0});
    EXPECT_EQ(Read(DroBytes(wide, 560)).writes.size(), 126u);
    wide.writes.push_back({0, 0xF0, 0});
    EXPECT_EQ(MessageOf([&] { DroBytes(wide, 560); }),
              "ERROR: too many registers for a DRO code map");

    // At the sample rate a tick is one sample: the shortest wait there is.
    TickedWrites fast;
    fast.writes = {{0, 0x20, 0x01}, {1, 0x20, 0x02}, {3, 0x20, 0x03}};
    fast.length = 4;
    const Capture samples = Read(VgmBytes(fast, 44100, ""));
    ASSERT_EQ(samples.writes.size(), 3u);
    EXPECT_EQ(samples.writes[1].time, 1);
    EXPECT_EQ(samples.writes[2].time, 3);
    EXPECT_EQ(samples.length, 4);

    // Waits of up to 16 samples take one byte, longer ones 0x61 and up to 65535 samples each.
    TickedWrites waits;
    waits.writes = {{0, 0x20, 1}, {16, 0x20, 2}, {33, 0x20, 3}, {33 + 65551, 0x20, 4}};
    waits.length = 33 + 65551 + 65536;
    const Bytes file = VgmBytes(waits, 44100, "");
    EXPECT_EQ(Bytes(file.begin() + 0x80, file.end()),
              (Bytes{0x5A, 0x20, 1,    0x7F, 0x5A, 0x20, 2, 0x61, 0x11, 0x00, 0x5A, 0x20, 3,
                     0x61, 0xFF, 0xFF, 0x7F, 0x5A, 0x20, 4, 0x61, 0xFF, 0xFF, 0x70, 0x66}));
    EXPECT_EQ(U32At(file, 0x18), 33u + 65551 + 65536);
    // DRO: waits of up to 255 ms take the short code, whole 256 ms up to 65536 the long one.
    TickedWrites ms;
    ms.writes = {{0, 0x20, 1}, {255, 0x20, 2}, {511, 0x20, 3}, {511 + 65793, 0x20, 4}};
    ms.length = 511 + 65793 + 1;
    EXPECT_EQ(DroBytes(ms, 1000),
              Cat(Cat(Text("DBRAWOPL"),
                      {2, 0, 0, 0, 10, 0, 0, 0, 0x01, 0x03, 0x01, 0x00, 0, 0, 0, 1, 2, 1, 0x20}),
                  {0, 1, 1, 0xFE, 0, 2, 2, 0, 0, 3, 2, 0xFF, 2, 0, 1, 0, 0, 4, 1, 0}));
    // The DRO header counts milliseconds in 32 bits: five a tick at 200 Hz.
    TickedWrites longestDro;
    longestDro.length = 858993459;
    EXPECT_EQ(U32At(DroBytes(longestDro, 200), 16), 4294967295u);
    longestDro.length += 1;
    EXPECT_EQ(MessageOf([&] { DroBytes(longestDro, 200); }), "ERROR: song too long for DRO");
    // The header counts samples in 32 bits: 4294967295 is the most, at three ticks a sample.
    TickedWrites longest;
    longest.length = 1431655765;
    EXPECT_EQ(U32At(VgmBytes(longest, 14700, ""), 0x18), 4294967295u);
    longest.length += 1;
    EXPECT_EQ(MessageOf([&] { VgmBytes(longest, 14700, ""); }), "ERROR: song too long for VGM");
    // Characters of two and three bytes at the very end of a title.
    EXPECT_EQ(Read(VgmBytes(fast, 560, "\u2713\u00e9")).title, "\u2713\u00e9");
    EXPECT_EQ(Read(VgmBytes(fast, 560, "\u00e9\u2713")).title, "\u00e9\u2713");
    // A title that is not UTF-8 is read as Latin-1, byte by byte.
    EXPECT_EQ(Read(VgmBytes(fast, 560,
                            "\xC3"
                            "A"
                            "\xE2\x9C"
                            "B"
                            "\xE9"))
                  .title,
              "\u00c3A\u00e2\u009cB\u00e9");
}

TEST(CaptureFiles, RealCapturesReadAsASecondReadingCountsThem) {
    std::filesystem::path dir = std::filesystem::path(IMF_CORPUS_DIR) / "../captures";
    if (!std::filesystem::exists(dir))
        GTEST_SKIP() << "no captures at " << dir;
    // file, writes, first write, last write (units, reg, val), length in units, and in ticks at
    // 560 and 700 per second (the length in seconds times the rate, halves up)
    const std::tuple<const char*, std::size_t, Write, Write, std::int64_t, int, int> kFiles[] = {
        {"doofus.dro", 11038, {0, 0x01, 0x20}, {167490, 0xBD, 0x39}, 167490, 93794, 117243},
        {"dro_v2.dro", 11847, {0, 0x01, 0x20}, {221239, 0x43, 0x1C}, 221239, 123894, 154867},
        {"crusader.raw", 1578, {0, 0x01, 0x00}, {103366800, 0xB2, 0x25}, 103907280, 48767, 60959},
        {"YsBattle.vgm", 31544, {0, 0x01, 0x20}, {6281163, 0xBD, 0x20}, 6320347, 80258, 100323}};
    for (const auto& [name, count, first, last, length, at560, at700] : kFiles) {
        Capture song = Read(testsupport::ReadBytes(dir / name));
        ASSERT_EQ(song.writes.size(), count) << name;
        const CaptureWrite &a = song.writes.front(), &z = song.writes.back();
        EXPECT_EQ(Write(a.time, a.reg, a.val), first) << name;
        EXPECT_EQ(Write(z.time, z.reg, z.val), last) << name;
        EXPECT_EQ(song.length, length) << name;
        EXPECT_EQ(CaptureTicks(song, 560).length, at560) << name;
        EXPECT_EQ(CaptureTicks(song, 700).length, at700) << name;
    }
    for (auto [name, format] : {std::pair{"doofus.dro", "DRO version 1"},
                                {"dro_v2.dro", "DRO version 2"},
                                {"crusader.raw", "RAW"},
                                {"YsBattle.vgm", "VGM"}})
        EXPECT_STREQ(Read(testsupport::ReadBytes(dir / name)).format, format);
    // doofus.dro begins with an unescaped register dump: only that reading matches its header.
    EXPECT_NE(Read(testsupport::ReadBytes(dir / "doofus.dro")).notes.at(0).find("as registers"),
              std::string::npos);
    EXPECT_EQ(ErrorOf(testsupport::ReadBytes(dir / "BeyondSN.vgm")), kSecondChip);
}
