// File names as the user types them: an extension matches in any case.
#pragma once

#include <string>

// Whether the path ends in the extension (".wlf", lower case), in any case.
bool HasExtension(const std::string& path, const std::string& extension);
