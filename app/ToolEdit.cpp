// imftool volume and swap: the song's editing operations, saved in the input's format.
#include "CarrierLevels.h"
#include "SongFile.h"
#include "ToolArgs.h"
#include "ToolCommands.h"

int ToolVolume(int argc, char** argv, int first) {
    const std::string usage =
        "usage: imftool volume IN OUT AMOUNT [--channel C]\n"
        "  Lowers the attenuation of every carrier by AMOUNT (positive: louder, negative:\n"
        "  softer, clamped to 0..63): the second operator, the first too in additive voices,\n"
        "  and the drums in rhythm sections. Saves the song in the input's format.\n"
        "  --channel C   only channel list C (1..9 for chip channels 0..8)\n";
    ToolArgs args = ParseToolArgs(argc, argv, first, {{"--channel", true}}, 3, 3, usage);
    if (args.help)
        return PrintHelp(usage);
    int amount = ParseInteger(args.positional[2], "AMOUNT", usage);
    PrepareOutput(args.positional[1], {args.positional[0]}, true);
    LoadedSong input = LoadSong(args.positional[0]);
    if (args.Has("--channel")) {
        int channel = args.Int("--channel", 0);
        if (channel < 1 || channel > 9)
            UsageError("--channel must be between 1 and 9", usage);
        ChangeCarrierLevels(input.song, amount, channel);
    } else {
        ChangeCarrierLevels(input.song, amount);
    }
    SaveSong(input.song, args.positional[1], input.format);
    return 0;
}

int ToolSwap(int argc, char** argv, int first) {
    const std::string usage =
        "usage: imftool swap IN OUT A B\n"
        "  Exchanges the writes of channel lists A and B (1..9 for chip channels 0..8) and saves\n"
        "  the song in the input's format.\n";
    ToolArgs args = ParseToolArgs(argc, argv, first, {}, 4, 4, usage);
    if (args.help)
        return PrintHelp(usage);
    int a = ParseInteger(args.positional[2], "A", usage);
    int b = ParseInteger(args.positional[3], "B", usage);
    if (a < 1 || a > 9 || b < 1 || b > 9)
        UsageError("channel lists are numbered 1 to 9", usage);
    PrepareOutput(args.positional[1], {args.positional[0]}, true);
    LoadedSong input = LoadSong(args.positional[0]);
    input.song.SwapChannels(a, b);
    SaveSong(input.song, args.positional[1], input.format);
    return 0;
}
