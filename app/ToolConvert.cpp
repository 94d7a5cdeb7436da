// imftool convert: any song file the tools read into any they write, write for write.
#include "SongFile.h"
#include "TickRate.h"
#include "ToolArgs.h"
#include "ToolCommands.h"

#include <cstdio>

int ToolConvert(int argc, char** argv, int first) {
    const std::string usage =
        "usage: imftool convert IN OUT [--rate R] [--length-word] [--title TEXT]\n"
        "  Reads IN (IMF, KMF, DRO, RAW, VGM or VGZ) and writes exactly its writes, in their\n"
        "  order and at their ticks, to OUT in the format its extension names: .kmf KMF, .vgm\n"
        "  VGM, .vgz compressed VGM, .dro DRO version 2, anything else IMF.\n"
        "  --rate R        ticks per second (default: IN's KMF rate; else 700 when IN, or for\n"
        "                  a capture OUT, ends in .wlf; else 560); a KMF file's rate field\n"
        "  --length-word   IMF with a leading length word (default: headerless)\n"
        "  --title TEXT    VGM: the title in its GD3 tag\n";
    ToolArgs args =
        ParseToolArgs(argc, argv, first,
                      {{"--rate", true}, {"--length-word", false}, {"--title", true}}, 2, 2, usage);
    if (args.help)
        return PrintHelp(usage);
    int rate = args.Int("--rate", 0);
    if (rate < 0 || rate > 65535)
        UsageError("--rate must be between 0 and 65535", usage);
    const std::string& in = args.positional[0];
    const std::string& out = args.positional[1];

    PrepareOutput(out, {in}, true);
    SongSource input = ReadSong(in);
    OutputSettings settings;
    settings.tickRate = input.TickRate(rate, out);
    settings.lengthWord = args.Has("--length-word");
    settings.title = args.Text("--title", "");
    // IMF has no rate field: a player takes 560, or 700 for .wlf.
    if (OutputKindOfPath(out) == OutputKind::Imf && settings.tickRate != ImfRateOfPath(out)) {
        std::fprintf(stderr,
                     "imftool: %s has no rate field and plays at %d ticks per second; the song "
                     "has %d\n",
                     out.c_str(), ImfRateOfPath(out), settings.tickRate);
        std::fflush(stderr);
    }
    SaveWrites(input.Writes(settings.tickRate), out, settings);
    return 0;
}
