// imftool convert: IMF to KMF and back through the song model and the writers.
#include "SongFile.h"
#include "ToolArgs.h"
#include "ToolCommands.h"

int ToolConvert(int argc, char** argv, int first) {
    const std::string usage =
        "usage: imftool convert IN OUT [--rate R] [--length-word]\n"
        "  Reads IN (IMF or KMF) and writes OUT in the format its extension names: .kmf is KMF,\n"
        "  anything else IMF.\n"
        "  --rate R        KMF rate field (default: the input's KMF rate, else 560)\n"
        "  --length-word   IMF with a leading length word (default: headerless)\n";
    ToolArgs args =
        ParseToolArgs(argc, argv, first, {{"--rate", true}, {"--length-word", false}}, 2, 2, usage);
    if (args.help)
        return PrintHelp(usage);
    int rate = args.Int("--rate", -1);
    if (rate < -1 || rate > 65535)
        UsageError("--rate must be between 0 and 65535", usage);

    PrepareOutput(args.positional[1], {args.positional[0]}, true);
    LoadedSong input = LoadSong(args.positional[0]);
    SongFormat format;
    format.kmf = IsKmfPath(args.positional[1]);
    format.rate = static_cast<std::uint16_t>(rate >= 0 ? rate : input.format.rate);
    format.lengthWord = args.Has("--length-word");
    SaveSong(input.song, args.positional[1], format);
    return 0;
}
