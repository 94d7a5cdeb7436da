// imftool archive: the songs inside a game's audio archive listed, extracted and replaced.
#include "AudioArchive.h"
#include "Console.h"
#include "FileBytes.h"
#include "GameProfile.h"
#include "ImfError.h"
#include "SongFile.h"
#include "TickRate.h"
#include "ToolArgs.h"
#include "ToolCommands.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {
const char* const kUsage =
    "usage: imftool archive list HEADER DATA [--dict FILE] [--rate HZ] [--game NAME]\n"
    "       imftool archive extract HEADER DATA DIR [--dict FILE] [--verbose]\n"
    "       imftool archive replace HEADER DATA INDEX SONG -o DIR [--dict FILE] [--rate HZ]\n"
    "                               [--game NAME] [--verbose]\n"
    "  The audio archive of a game of id Software's engines: HEADER the 32-bit offsets\n"
    "  (AUDIOHED.WL1, AUDIOHHD.CK4, ...), DATA the chunks (AUDIOT.WL1, AUDIO.CK4, ...), stored\n"
    "  as they are or, with --dict, Huffman-coded with that dictionary (AUDIODCT.CK4).\n"
    "  list     one line per chunk: index, offset, stored and expanded size, kind (PC speaker,\n"
    "           AdLib sound, digitised slot, song, tag), a song's name from its trailer and\n"
    "           its length in seconds; then a summary. The sections come from \"!ID!\" tags\n"
    "           where there are some, else from the content.\n"
    "  extract  every song with data as DIR/NAME.imf (its trailer's name) or DIR/chunkN.imf,\n"
    "           with its length word; a song of length 0 is listed, not extracted.\n"
    "  replace  writes DIR/HEADER and DIR/DATA (the inputs' names, never over the inputs;\n"
    "           both or neither) in which chunk INDEX holds SONG (any song imftool reads, as\n"
    "           IMF records at the archive's rate), the old trailer kept; every other chunk\n"
    "           keeps its bytes. A coded archive keeps its dictionary: a song needing a byte\n"
    "           it lacks is refused, as is a song of more than 65535 bytes. DIR must exist.\n"
    "  --dict FILE  the Huffman dictionary: 255 nodes of two 16-bit branches\n"
    "  --rate HZ    the game's song rate (default 560; Wolfenstein 3D plays at 700)\n"
    "  --game NAME  the rate of that game's songs: wolf3d, sod, keen4, keen5, keen6, duke2\n"
    "  With --verbose: a line per song extracted, or the replaced chunk's sizes.\n";

struct OpenArchive {
    std::vector<std::uint8_t> data;
    std::unique_ptr<HuffmanDictionary> dictionary;
    AudioArchive archive;
};

OpenArchive Open(const ToolArgs& args) {
    OpenArchive open;
    std::vector<std::uint8_t> header = ReadFileBytes(args.positional[1]);
    open.data = ReadFileBytes(args.positional[2]);
    if (args.Has("--dict")) {
        open.dictionary = std::make_unique<HuffmanDictionary>(
            ReadHuffmanDictionary(ReadFileBytes(args.Text("--dict", ""))));
    }
    open.archive = ReadAudioArchive(header, open.data, open.dictionary.get());
    return open;
}

int RateOption(const ToolArgs& args) {
    const GameProfile* game = GameOption(args);
    if (args.Has("--rate"))
        return args.Rate();
    return game ? game->tickRate : kDefaultTickRate;
}

std::string Format(const char* format, auto... values) {
    char line[160];
    std::snprintf(line, sizeof line, format, values...);
    return line;
}

// A trailer's name as a file name: letters, digits, '-' and '_' kept, anything else '_'.
std::string FileNameOf(const std::string& name) {
    std::string file;
    for (char c : name) {
        bool keep = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '-' || c == '_';
        file += keep ? c : '_';
    }
    return file;
}

int List(const ToolArgs& args) {
    const int rate = RateOption(args);
    OpenArchive open = Open(args);
    const AudioArchive& archive = open.archive;
    std::size_t counts[5] = {};
    std::size_t emptySongs = 0;
    PrintLine("chunk    offset   stored  expanded  kind");
    for (std::size_t i = 0; i < archive.chunks.size(); ++i) {
        const ArchiveChunk& chunk = archive.chunks[i];
        ++counts[static_cast<int>(chunk.kind)];
        std::string kind = ChunkKindText(chunk.kind);
        if (chunk.kind == ChunkKind::Song) {
            std::optional<ArchiveSong> song = SongOfChunk(chunk);
            if (!song || song->records.empty()) {
                kind += ", empty";
                ++emptySongs;
            } else {
                if (!song->name.empty())
                    kind += " \"" + song->name + "\"";
                kind += Format(", %.1f s", static_cast<double>(SongTicks(*song)) / rate);
            }
        }
        if (chunk.tagBytes > 0 && chunk.kind != ChunkKind::Tag)
            kind += chunk.tagBytes == 4 ? ", then a tag" : ", then tags";
        std::size_t expanded = chunk.kind == ChunkKind::Tag ? chunk.tagBytes : chunk.bytes.size();
        PrintLine(Format("%5zu  %8u  %7zu  %8zu  ", i, chunk.offset, chunk.stored, expanded) +
                  kind);
    }
    PrintLine(Format("%zu chunks, %s: %zu PC speaker, %zu AdLib, %zu digitised, %zu songs "
                     "(%zu empty), %zu tags; songs at %d Hz",
                     archive.chunks.size(), archive.huffman ? "Huffman-coded" : "plain", counts[0],
                     counts[1], counts[2], counts[3], emptySongs, archive.tags, rate));
    return 0;
}

int Extract(const ToolArgs& args) {
    OpenArchive open = Open(args);
    std::filesystem::path folder = args.positional[3];
    std::vector<std::string> inputs = {args.positional[1], args.positional[2]};
    struct Output {
        std::string path;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Output> outputs;
    std::set<std::string> names;
    for (std::size_t i = 0; i < open.archive.chunks.size(); ++i) {
        const ArchiveChunk& chunk = open.archive.chunks[i];
        if (chunk.kind != ChunkKind::Song)
            continue;
        std::optional<ArchiveSong> song = SongOfChunk(chunk);
        if (!song || song->records.empty())
            continue;
        std::string name = FileNameOf(song->name);
        if (name.empty() || !names.insert(name).second)
            name = "chunk" + std::to_string(i);
        Output output{(folder / (name + ".imf")).string(), {}};
        output.bytes.assign(chunk.bytes.begin(),
                            chunk.bytes.begin() + 2 + static_cast<long>(song->records.size()));
        RefuseReplacingInputs(output.path, inputs);
        outputs.push_back(std::move(output));
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    for (const Output& output : outputs) {
        WriteFileReplacing(output.path, output.bytes);
        if (args.verbose)
            PrintLine(output.path + ": " + std::to_string(output.bytes.size()) + " bytes");
    }
    PrintLine(std::to_string(outputs.size()) + " songs written to " + folder.string());
    return 0;
}

// The song as IMF records without a length word: an IMF file's own records, anything else
// converted at the archive's rate.
std::vector<std::uint8_t> SongRecords(const std::string& path, int rate) {
    SongSource source = ReadSong(path);
    if (!source.IsCapture() && source.layout == SongFileLayout::ImfLengthWord) {
        std::size_t length = source.bytes[0] | source.bytes[1] << 8;
        length = std::min(length, source.bytes.size() - 2) / 4 * 4; // whole records
        return {source.bytes.begin() + 2, source.bytes.begin() + 2 + static_cast<long>(length)};
    }
    if (!source.IsCapture() && source.layout == SongFileLayout::ImfHeaderless)
        return {source.bytes.begin(),
                source.bytes.begin() + static_cast<long>(source.bytes.size() / 4 * 4)};
    std::vector<std::uint8_t> bytes = ImfBytesOfWrites(source.Writes(rate), 1);
    std::size_t length = bytes[0] | bytes[1] << 8;
    if (length + 2 != bytes.size()) // too long for a length word
        return bytes;
    return {bytes.begin() + 2, bytes.end()};
}

int Replace(const ToolArgs& args) {
    if (!args.Has("-o"))
        UsageError("replace needs -o DIR", args.usage);
    const int rate = RateOption(args);
    const int index = ParseInteger(args.positional[3], "INDEX", args.usage);
    if (index < 0)
        UsageError("INDEX must not be negative", args.usage);
    const std::string& headerPath = args.positional[1];
    const std::string& dataPath = args.positional[2];
    const std::string& songPath = args.positional[4];
    std::filesystem::path folder = args.Text("-o", "");
    const std::string headerOut = (folder / std::filesystem::path(headerPath).filename()).string();
    const std::string dataOut = (folder / std::filesystem::path(dataPath).filename()).string();
    std::vector<std::string> inputs = {headerPath, dataPath, songPath};
    if (args.Has("--dict"))
        inputs.push_back(args.Text("--dict", ""));
    RefuseReplacingInputs(headerOut, inputs);
    RefuseReplacingInputs(dataOut, inputs);
    if (headerOut == dataOut)
        throw ImfError("ERROR: the header and the data would both be written to " + dataOut);

    OpenArchive open = Open(args);
    std::vector<std::uint8_t> records = SongRecords(songPath, rate);
    ArchiveFiles files = ReplaceArchiveSong(
        open.archive, open.data, static_cast<std::size_t>(index), records, open.dictionary.get());
    WriteFilesTogether({{headerOut, files.header}, {dataOut, files.data}});
    if (args.verbose) {
        const std::size_t before = open.archive.chunks[static_cast<std::size_t>(index)].stored;
        PrintLine(Format("chunk %d: %zu stored bytes, now %zu; a song of %zu bytes", index, before,
                         before + files.data.size() - open.data.size(), records.size()));
    }
    PrintLine("chunk " + std::to_string(index) + " replaced: " + headerOut + " and " + dataOut +
              " written");
    return 0;
}
} // namespace

int ToolArchive(int argc, char** argv, int first) {
    std::string verb = first < argc ? argv[first] : "";
    if (verb == "--help" || verb == "-h")
        return PrintHelp(kUsage);
    const OptionDef dict{"--dict", true}, rate{"--rate", true}, game{"--game", true},
        out{"-o", true};
    ToolArgs args;
    if (verb == "list")
        args = ParseToolArgs(argc, argv, first, {dict, rate, game}, 3, 3, kUsage);
    else if (verb == "extract")
        args = ParseToolArgs(argc, argv, first, {dict}, 4, 4, kUsage);
    else if (verb == "replace")
        args = ParseToolArgs(argc, argv, first, {dict, rate, game, out}, 5, 5, kUsage);
    else
        UsageError(verb.empty() ? "archive needs list, extract or replace" : "unknown verb " + verb,
                   kUsage);
    if (args.help)
        return PrintHelp(kUsage);
    return verb == "list" ? List(args) : verb == "extract" ? Extract(args) : Replace(args);
}
