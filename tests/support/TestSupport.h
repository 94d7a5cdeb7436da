// Helpers shared by the tests: corpus files, temporary folders, file bytes, raised messages,
// committed logs.
#pragma once

#include "ImfError.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace testsupport {

inline std::filesystem::path CorpusDir() {
    return IMF_CORPUS_DIR;
}

// The song files of the corpus (IMF, KMF, WLF), sorted; empty when the folder is absent.
inline std::vector<std::filesystem::path> CorpusSongs() {
    std::vector<std::filesystem::path> songs;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(CorpusDir(), error)) {
        auto ext = entry.path().extension().string();
        if (entry.is_regular_file() && (ext == ".imf" || ext == ".kmf" || ext == ".wlf"))
            songs.push_back(entry.path());
    }
    std::sort(songs.begin(), songs.end());
    return songs;
}

// A fresh empty folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir() {
        auto base = std::filesystem::temp_directory_path();
        for (int i = 0;; ++i) {
            path_ = base / ("imfproc-test-" + std::to_string(::getpid()) + "-" + std::to_string(i));
            if (std::filesystem::create_directory(path_))
                break;
        }
    }
    ~TempDir() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// The message of the error that the action raises.
inline std::string MessageOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const ImfError& error) {
        return error.Message();
    }
    return "(nothing raised)";
}

// The first line where a committed log and the text made now differ, with both versions; ""
// when they are the same.
inline std::string FirstDifference(const std::string& logged, const std::string& made) {
    std::istringstream a(logged), b(made);
    std::string x, y;
    for (int line = 1;; ++line) {
        const bool more = static_cast<bool>(std::getline(a, x));
        const bool also = static_cast<bool>(std::getline(b, y));
        if (!more && !also)
            return "";
        if (!more || !also || x != y)
            return "line " + std::to_string(line) + "\n  golden: " + (more ? x : "(end)") +
                   "\n  now:    " + (also ? y : "(end)");
    }
}

// Compares `text` with the log committed at `relative` under the source folder; with
// IMF_UPDATE_GOLDEN set, writes the log instead. Returns the first differing line, or "".
inline std::string DifferenceFromLog(const std::string& text, const std::string& relative) {
    const std::filesystem::path path = std::filesystem::path(IMF_SOURCE_DIR) / relative;
    if (std::getenv("IMF_UPDATE_GOLDEN") != nullptr) {
        WriteBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
        return "";
    }
    const std::vector<std::uint8_t> bytes = ReadBytes(path);
    const std::string difference = FirstDifference(std::string(bytes.begin(), bytes.end()), text);
    return difference.empty()
               ? ""
               : relative + " " + difference + "\n(IMF_UPDATE_GOLDEN=1 rewrites the log)";
}

} // namespace testsupport
