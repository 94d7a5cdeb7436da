#include "FileNames.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

bool HasExtension(const std::string& path, const std::string& extension) {
    std::string own = std::filesystem::path(path).extension().string();
    return std::equal(own.begin(), own.end(), extension.begin(), extension.end(),
                      [](unsigned char a, unsigned char b) { return std::tolower(a) == b; });
}
