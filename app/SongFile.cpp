#include "SongFile.h"

#include "KmfFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

LoadedSong LoadSong(const std::string& path) {
    LoadedSong loaded;
    loaded.layout = LoadFile(loaded.song, path);
    loaded.format.kmf = loaded.layout == SongFileLayout::Kmf;
    loaded.format.rate = GetKMFRate(path);
    loaded.format.lengthWord = loaded.layout == SongFileLayout::ImfLengthWord;
    return loaded;
}

void SaveSong(const TImfSong& song, const std::string& path, const SongFormat& format) {
    if (format.kmf)
        SaveKMF(song, path, format.rate);
    else
        SaveImf(song, path, format.lengthWord ? 1 : 0);
}

bool IsKmfPath(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".kmf";
}
