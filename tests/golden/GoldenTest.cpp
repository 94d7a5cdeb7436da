// Every song of the corpus, loaded once, against its log in tests/golden/: the song saved in both
// IMF layouts and as KMF and read back, what each optimisation mode reports and saves (and, for
// short songs, every write the default mode saves), the length kept, and the faithful copy
// rendering sample for sample as the input. After an intended change of behaviour rewrite the
// logs with scripts/update-golden.sh (IMF_UPDATE_GOLDEN=1 build/tests/golden_tests), then review
// their diff. Renders take most of the time: each song's log is compared section by section, so
// that a song whose log already differs stops before them, and each emulator renders the faithful
// copy once: the input itself is rendered only when the logs are written.
#include "FaithfulCopy.h"
#include "ImfError.h"
#include "ImfFile.h"
#include "KmfFile.h"
#include "Opl2Chip.h"
#include "OptimizeModes.h"
#include "ScriptedSurface.h"
#include "SongFile.h"
#include "SongFormats.h"
#include "SongRender.h"
#include "SongWrites.h"
#include "SoundCompare.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <span>
#include <sstream>

namespace {
namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using SongFiles = std::pair<std::string, std::vector<fs::path>>; // log name, files

constexpr std::int64_t kWritesListedUpTo = 2100;
constexpr std::size_t kWarningLines = 20;

// NAME.imf, NAME.len.imf and NAME.kmf hold the same song: one log, named NAME.
std::vector<SongFiles> CorpusByName() {
    std::map<std::string, std::vector<fs::path>> songs;
    for (const fs::path& file : testsupport::CorpusSongs()) {
        std::string name = file.filename().string();
        for (std::string ending : {".len.imf", ".imf", ".kmf"}) {
            if (name.ends_with(ending)) {
                name.resize(name.size() - ending.size());
                break;
            }
        }
        songs[name].push_back(file); // sorted: NAME.imf first
    }
    std::vector<SongFiles> all(songs.begin(), songs.end());
    return all.empty() ? std::vector<SongFiles>{{"absent", {}}} : all;
}

std::string Digest(std::span<const std::uint8_t> bytes) {
    std::uint64_t hash = 0xcbf29ce484222325u; // FNV-1a, 64 bits
    for (std::uint8_t byte : bytes)
        hash = (hash ^ byte) * 0x100000001b3u;
    char text[64];
    std::snprintf(text, sizeof text, "%zu bytes, fnv1a %016llx", bytes.size(),
                  static_cast<unsigned long long>(hash));
    return text;
}

Bytes Save(const TImfSong& song, SongFileLayout layout, std::uint16_t rate) {
    if (layout == SongFileLayout::Kmf)
        return KmfBytes(song, rate);
    return ImfBytes(song, layout == SongFileLayout::ImfLengthWord ? 1 : 0);
}

// The lines of a report, each with a prefix; a run of equal lines is one line with its count.
// Warnings beyond the first kWarningLines are kept only as their number and digest.
std::string Report(const std::string& prefix, const std::string& text) {
    std::vector<std::pair<std::string, int>> runs;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (!runs.empty() && runs.back().first == line)
            ++runs.back().second;
        else
            runs.emplace_back(line, 1);
    }
    std::string out, rest;
    std::size_t warnings = 0;
    for (const auto& [line, count] : runs) {
        std::string entry = line + (count > 1 ? " (" + std::to_string(count) + " times)" : "");
        bool warning = line.starts_with("Warning: ") || line.starts_with("ProcessCommand: ");
        if (warning && ++warnings > kWarningLines)
            rest += entry + "\n";
        else
            out += prefix + entry + "\n";
    }
    if (!rest.empty())
        out += prefix + "... " + std::to_string(warnings - kWarningLines) + " more warnings, " +
               Digest(Bytes(rest.begin(), rest.end())) + "\n";
    return out;
}

// Whether two write streams leave the chip's registers alike at the end of every tick from
// `from` on (the IMF writer moves the first write to tick 0).
bool SameRegistersEveryTick(const std::vector<testsupport::TimedWriteTuple>& a,
                            const std::vector<testsupport::TimedWriteTuple>& b, int from) {
    std::array<int, 256> ra, rb;
    ra.fill(-1);
    rb.fill(-1);
    for (std::size_t i = 0, j = 0; i < a.size() || j < b.size();) {
        int tick = std::min(i < a.size() ? std::get<0>(a[i]) : INT32_MAX,
                            j < b.size() ? std::get<0>(b[j]) : INT32_MAX);
        for (; i < a.size() && std::get<0>(a[i]) == tick; ++i)
            ra[std::get<1>(a[i])] = std::get<2>(a[i]);
        for (; j < b.size() && std::get<0>(b[j]) == tick; ++j)
            rb[std::get<1>(b[j])] = std::get<2>(b[j]);
        if (tick >= from && ra != rb)
            return false;
    }
    return true;
}

// The writes less each one that sets a register to the value it holds: the plain redundant-write
// filter of register-log tools, the yardstick of the faithful copy.
TickedWrites PlainFilter(const TickedWrites& song) {
    TickedWrites kept = song;
    kept.writes.clear();
    std::array<int, 256> held;
    held.fill(-1);
    for (const TimedWrite& write : song.writes) {
        if (held[write.reg] != write.val)
            kept.writes.push_back(write);
        held[write.reg] = write.val;
    }
    return kept;
}

SampleBuffer Render(const TickedWrites& song, int rate, Emulator emulator = Emulator::Nuked) {
    return RenderWrites(song.writes, rate, song.length, 0, emulator);
}

// Whether the saved bytes hold the writes of the song's lists, the first moved to tick 0 as the
// IMF and KMF writers do: then they sound as the song the smallest mode rendered.
bool SavedAsMerged(const std::vector<TimedWrite>& merged, const Bytes& saved) {
    TickedWrites read;
    LoadWritesFromBytes(read, saved);
    if (read.writes.size() != merged.size())
        return false;
    for (std::size_t i = 0; i < merged.size(); ++i) {
        const TimedWrite& a = read.writes[i];
        const TimedWrite& b = merged[i];
        if (a.reg != b.reg || a.val != b.val || (i > 0 && a.time != b.time))
            return false;
    }
    return true;
}

// Whether the log so far is the start of the golden log; a song whose log already differs
// fails here, before the renders that take most of the test's time.
bool LogStartsAsGolden(const std::string& golden, const std::string& log) {
    return golden.compare(0, log.size(), log) == 0;
}

// The faithful copy of the song, saved in the input's format and read back: its report with
// every rule's count and the saved bytes.
TickedWrites FaithfulCopyOf(const LoadedSong& input, const TickedWrites& original, int rate,
                            std::ostream& log) {
    DropSettings drop;
    drop.explain = true;
    const SongFileKind kind = input.format.kind;
    testing::internal::CaptureStdout();
    const FaithfulCopy copy = CopyFaithfully(input.source, rate, kind, drop);
    ReportDrops(copy.counts, drop);
    log << Report("faithful: ", testing::internal::GetCapturedStdout());
    EXPECT_EQ(copy.counts.Total(),
              copy.before - static_cast<std::int64_t>(copy.writes.writes.size()))
        << "the rules' counts add up to the writes removed";
    const Bytes saved = input.format.kind == SongFileKind::Kmf
                            ? KmfBytes(SongOfWrites(copy.writes), input.format.rate)
                            : ImfBytesOfWrites(copy.writes, 0);
    log << "faithful saved: " << copy.writes.writes.size() << " writes, " << Digest(saved) << "\n";
    TickedWrites back;
    LoadWritesFromBytes(back, saved);
    EXPECT_EQ(back.length, original.length) << "faithful keeps the length";
    return back;
}

std::string SoundDigest(const SampleBuffer& sound) {
    return Digest(std::span(reinterpret_cast<const std::uint8_t*>(sound.data()),
                            sound.size() * sizeof sound[0]));
}

// What the golden log says after `head`, or "" where it has no such line.
std::string GoldenLineAfter(const std::string& golden, const std::string& head) {
    const std::size_t at = golden.find("\n" + head);
    if (at == std::string::npos)
        return "";
    const std::size_t from = at + 1 + head.size();
    return golden.substr(from, golden.find('\n', from) - from);
}

// How the faithful copy sounds, each emulator rendering it once: under Nuked the digest of its
// samples, under the others whether it is identical to the input, then the digest. The input is
// rendered only when the logs are written, where the copy is compared with it; afterwards the
// copy's digest stands for that comparison: while it is the one logged, the copy sounds as it did
// when its word was checked, and the word is taken from the log. Returns the copy's render under
// Nuked, which is the input's.
SampleBuffer CheckFaithfulSound(const TickedWrites& original, const TickedWrites& copy, int rate,
                                const std::string& golden, bool writingLogs, std::ostream& log) {
    SampleBuffer heard = Render(copy, rate);
    if (writingLogs) {
        EXPECT_TRUE(Render(original, rate) == heard) << "the faithful copy sounds different";
    }
    log << "faithful sound under nuked: " << SoundDigest(heard) << "\n";
    const TickedWrites plain = PlainFilter(original);
    log << "plain filter: " << plain.writes.size() << " writes\n";
    for (Emulator emulator : {Emulator::Dosbox, Emulator::Mame}) {
        const std::string head = std::string("faithful under ") + EmulatorName(emulator) + ": ";
        const SampleBuffer copied = Render(copy, rate, emulator);
        const std::string digest = SoundDigest(copied);
        std::string word = "changed";
        if (writingLogs) {
            const SampleBuffer sound = Render(original, rate, emulator);
            const bool same = sound == copied;
            word = same ? "identical" : "differs";
            if (!same) {
                EXPECT_FALSE(Render(plain, rate, emulator) == sound)
                    << "under " << EmulatorName(emulator)
                    << " the plain filter's copy is identical and the faithful one is not";
            }
        } else {
            const std::string logged = GoldenLineAfter(golden, head);
            if (logged.ends_with(", " + digest))
                word = logged.substr(0, logged.find(','));
        }
        log << head << word << ", " << digest << "\n";
    }
    return heard;
}

class Golden : public testing::TestWithParam<SongFiles> {
protected:
    ScriptedScreen screen; // collects the notices
};

LoadedSong Load(const fs::path& file, std::string& printed) {
    testing::internal::CaptureStdout();
    LoadedSong loaded = LoadSong(file.string());
    printed = testing::internal::GetCapturedStdout();
    return loaded;
}
} // namespace

TEST_P(Golden, SongMatchesItsLog) {
    const auto& [name, files] = GetParam();
    if (files.empty())
        GTEST_SKIP() << "song corpus not found at " << testsupport::CorpusDir();
    const fs::path golden = fs::path(IMF_SOURCE_DIR) / "tests" / "golden" / (name + ".txt");
    const bool writingLogs = std::getenv("IMF_UPDATE_GOLDEN") != nullptr;
    std::string expected;
    if (!writingLogs) {
        const Bytes bytes = testsupport::ReadBytes(golden);
        ASSERT_FALSE(bytes.empty()) << "no log " << golden << "; write it with IMF_UPDATE_GOLDEN=1";
        expected.assign(bytes.begin(), bytes.end());
    }
    std::ostringstream log;
    // Stops the song's test at the first section whose log differs from the golden one.
    auto logSoFarMatches = [&, songName = name] {
        if (writingLogs || LogStartsAsGolden(expected, log.str()))
            return true;
        ADD_FAILURE() << songName << " differs from its log (IMF_UPDATE_GOLDEN=1 rewrites it)\n"
                      << testsupport::FirstDifference(expected, log.str());
        return false;
    };

    std::string printed;
    LoadedSong input = Load(files[0], printed);
    const TImfSong& song = input.song;
    const int rate = ChooseTickRate(0, input.format.rate, files[0].string());
    log << "song " << files[0].filename().string() << ": " << song.InstructionCount() << " writes, "
        << song.globaltime << " ticks at " << rate << " per second\n"
        << Report("load: ", printed);
    for (std::size_t i = 1; i < files.size(); ++i) {
        LoadedSong twin = Load(files[i], printed);
        EXPECT_EQ(testsupport::SongWrites(twin.song), testsupport::SongWrites(song)) << files[i];
        EXPECT_EQ(twin.song.globaltime, song.globaltime) << files[i];
        log << "same song: " << files[i].filename().string() << "\n";
    }

    const auto writes = testsupport::SongWrites(song);
    const int from = writes.empty() ? 0 : std::get<0>(writes.front());
    const bool rhythm = std::any_of(writes.begin(), writes.end(), [](const auto& w) {
        return std::get<1>(w) == 0xBD && (std::get<2>(w) & 0x20);
    });
    // Saved in each layout and read back: detected again, the same length, the same bytes.
    const std::pair<SongFileLayout, const char*> layouts[] = {
        {SongFileLayout::ImfHeaderless, "imf"},
        {SongFileLayout::ImfLengthWord, "imf with length word"},
        {SongFileLayout::Kmf, "kmf"}};
    for (const auto& [layout, label] : layouts) {
        Bytes bytes;
        try {
            bytes = Save(song, layout, 560);
        } catch (const ImfError& error) {
            log << label << ": " << error.Message() << "\n";
            continue;
        }
        log << label << ": " << Digest(bytes) << "\n";
        TImfSong back;
        testing::internal::CaptureStdout();
        SongFileLayout found = LoadFromBytes(back, bytes);
        const Bytes resaved = Save(back, found, 560);
        testing::internal::GetCapturedStdout();
        bool fellBack = layout == SongFileLayout::ImfLengthWord && bytes[0] == 0 && bytes[1] == 0;
        EXPECT_EQ(found, fellBack ? SongFileLayout::ImfHeaderless : layout) << label;
        EXPECT_EQ(back.globaltime, song.globaltime) << label;
        EXPECT_TRUE(SameRegistersEveryTick(writes, testsupport::SongWrites(back), from)) << label;
        // Rhythm mode re-emits channels 6 to 8 where it switches on: those songs grow each time.
        if (!rhythm) {
            EXPECT_EQ(resaved, bytes) << label << ": read back and saved again";
        }
    }

    // The faithful copy works on the file's own writes; the other two modes, each on its own copy
    // of the song model, are saved in the input's format. What needs no render comes first.
    const TickedWrites original = input.source.Writes(rate);
    const TickedWrites faithful = FaithfulCopyOf(input, original, rate, log);
    if (!logSoFarMatches())
        return;
    SampleBuffer heard;
    for (OptimizeMode mode : {OptimizeMode::Reallocate, OptimizeMode::Smallest}) {
        const std::string label = OptimizeModeName(mode);
        if (mode == OptimizeMode::Smallest) {
            heard = CheckFaithfulSound(original, faithful, rate, expected, writingLogs, log);
            if (!logSoFarMatches())
                return;
        }
        TImfSong work = song;
        screen->notices.clear();
        testing::internal::CaptureStdout();
        const ModeResult result =
            OptimizeWithMode(work, mode, AllocationSettings{}, rate, &heard, {});
        log << Report(label + ": ", testing::internal::GetCapturedStdout());
        for (std::string notice : screen->notices)
            log << Report(label + " notice: ", notice);
        const Bytes saved =
            Save(work,
                 input.format.kind == SongFileKind::Kmf ? SongFileLayout::Kmf
                                                        : SongFileLayout::ImfHeaderless,
                 input.format.rate);
        log << label << " saved: " << work.InstructionCount() << " writes, " << Digest(saved)
            << "\n";
        TImfSong back;
        testing::internal::CaptureStdout();
        LoadFromBytes(back, saved);
        testing::internal::GetCapturedStdout();
        EXPECT_EQ(back.globaltime, song.globaltime) << label << " keeps the length";
        if (mode == OptimizeMode::Smallest && result.won == OptimizeMode::Smallest) {
            // The song the mode rendered and found to sound like the input is the one saved.
            EXPECT_TRUE(SavedAsMerged(MergeChannelLists(work), saved))
                << "the saved song is not the one compared";
        }
        if (mode == OptimizeMode::Reallocate && work.InstructionCount() <= kWritesListedUpTo) {
            for (const auto& [time, reg, val] : testsupport::SongWrites(back))
                log << "write " << time << " " << RegHex(static_cast<std::uint8_t>(reg)) << " "
                    << RegHex(static_cast<std::uint8_t>(val)) << "\n";
        }
        if (mode == OptimizeMode::Reallocate && !logSoFarMatches())
            return;
    }

    const std::string text = log.str();
    if (writingLogs) {
        testsupport::WriteBytes(golden, Bytes(text.begin(), text.end()));
        return;
    }
    const std::string difference = testsupport::FirstDifference(expected, text);
    EXPECT_EQ(difference, "") << name << " differs from its log (IMF_UPDATE_GOLDEN=1 rewrites it)";
}

INSTANTIATE_TEST_SUITE_P(Corpus, Golden, testing::ValuesIn(CorpusByName()),
                         [](const testing::TestParamInfo<SongFiles>& info) {
                             std::string name;
                             for (char c : info.param.first)
                                 name += std::isalnum(static_cast<unsigned char>(c))
                                             ? std::string(1, c)
                                         : c == '.' ? "_dot_"
                                                    : "_";
                             return name;
                         });
