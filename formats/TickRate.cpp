#include "TickRate.h"

#include <algorithm>
#include <cctype>
#include <filesystem>

bool HasExtension(const std::string& path, const std::string& extension) {
    std::string own = std::filesystem::path(path).extension().string();
    return std::equal(own.begin(), own.end(), extension.begin(), extension.end(),
                      [](unsigned char a, unsigned char b) { return std::tolower(a) == b; });
}

int ImfRateOfPath(const std::string& path) {
    return HasExtension(path, ".wlf") ? kWlfTickRate : kDefaultTickRate;
}

int ChooseTickRate(int explicitRate, std::uint16_t kmfRate, const std::string& inputPath,
                   bool capture, const std::string& outputPath) {
    if (explicitRate > 0)
        return explicitRate;
    if (kmfRate > 0)
        return kmfRate;
    if (capture && !HasExtension(inputPath, ".wlf"))
        return ImfRateOfPath(outputPath);
    return ImfRateOfPath(inputPath);
}
