// What the benchmarks share: the largest song of the corpus, and a quiet console while they run.
#pragma once

#include "Console.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace benchsupport {

// The largest file of the folder with one of the extensions, or "" without such a file.
inline std::string LargestFile(const std::string& folder,
                               const std::vector<std::string>& extensions) {
    std::string best;
    std::uintmax_t bestSize = 0;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        std::string ext = entry.path().extension().string();
        if (std::find(extensions.begin(), extensions.end(), ext) == extensions.end())
            continue;
        if (entry.file_size() > bestSize) {
            bestSize = entry.file_size();
            best = entry.path().string();
        }
    }
    return best;
}

// The largest file of the corpus with one of the extensions, or "" without a corpus.
inline std::string LargestCorpusFile(const std::vector<std::string>& extensions) {
    return LargestFile(IMF_CORPUS_DIR, extensions);
}

// The interpreter's warnings stay out of a benchmark's report.
using QuietConsole = ::QuietConsole;

} // namespace benchsupport
