#include "TickRate.h"

#include "FileNames.h"

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
