#include "CommandFlow.h"

#include "Console.h"
#include "FileBytes.h"
#include "ImfFile.h"
#include "ImfSong.h"
#include "KmfFile.h"
#include "NoteViewer.h"
#include "Optimize.h"
#include "OptimizeModes.h"
#include "SongFormats.h"
#include "SongRender.h"
#include "Surface.h"

#include <cstdint>
#include <string>
#include <vector>

int ImfprocMain(int argc, char** argv) {
    Screen().SetTitle(kApplicationTitle);
    std::string path = argc > 1 && argv[1] ? argv[1] : "";
    if (path.empty())
        path = Screen().RequestFile("Open IMF or KMF file...", "", 0, "");
    if (path.empty())
        return 0; // the dialog was cancelled

    // Read once: the path may be a pipe or "-".
    std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    TImfSong song;
    LoadFromBytes(song, bytes);
    const std::uint16_t rate = KmfRate(bytes);
    const int tickRate = ChooseTickRate(0, rate, path); // for playing the song in the viewers
    ViewNotes(song, tickRate);
    View(song, tickRate);
    OptimizeWithReport(song, 1, -1, 1, 0, [](const TTrackList& tracks) { ViewTracks(tracks); });
    View(song, tickRate);
    if (rate > 0)
        SaveKMF(song, OptimizedPath(path, true), rate);
    else
        SaveImf(song, OptimizedPath(path, false), 0);
    return 0;
}
