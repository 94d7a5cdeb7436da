#include "SongFile.h"

#include "FileBytes.h"
#include "KmfFile.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

LoadedSong LoadSong(const std::string& path) {
    return LoadSongBytes(ReadFileBytes(path));
}

LoadedSong LoadSongBytes(std::span<const std::uint8_t> bytes) {
    LoadedSong loaded;
    loaded.layout = LoadFromBytes(loaded.song, bytes);
    loaded.format.kmf = loaded.layout == SongFileLayout::Kmf;
    loaded.format.rate = KmfRate(bytes);
    loaded.format.lengthWord = loaded.layout == SongFileLayout::ImfLengthWord;
    loaded.fileBytes = bytes.size();
    return loaded;
}

std::size_t SaveSong(const TImfSong& song, const std::string& path, const SongFormat& format) {
    std::vector<std::uint8_t> bytes =
        format.kmf ? KmfBytes(song, format.rate) : ImfBytes(song, format.lengthWord ? 1 : 0);
    WriteFileReplacing(path, bytes);
    return bytes.size();
}

void PrepareOutput(const std::string& output, const std::vector<std::string>& inputs,
                   bool sameKind) {
    if (!sameKind)
        RefuseReplacingInputs(output, inputs);
    if (output == "-")
        KeepStandardOutputForData();
}

bool IsKmfPath(const std::string& path) {
    std::string extension = std::filesystem::path(path).extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".kmf";
}
