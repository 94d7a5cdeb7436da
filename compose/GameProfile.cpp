#include "GameProfile.h"

#include <array>

namespace {
constexpr std::array<GameProfile, 6> kProfiles = {{
    {"wolf3d", "Wolfenstein 3-D", 700, true, true},
    {"sod", "Spear of Destiny", 700, true, true},
    {"keen4", "Commander Keen 4: Secret of the Oracle", 560, true, true},
    {"keen5", "Commander Keen 5: The Armageddon Machine", 560, true, true},
    {"keen6", "Commander Keen 6: Aliens Ate My Babysitter", 560, true, true},
    {"duke2", "Duke Nukem II", 280, false, false},
}};
} // namespace

std::span<const GameProfile> GameProfiles() {
    return kProfiles;
}

const GameProfile* FindGameProfile(const std::string& name) {
    for (const GameProfile& profile : kProfiles)
        if (name == profile.name)
            return &profile;
    return nullptr;
}

std::string GameProfileNames() {
    std::string names;
    for (const GameProfile& profile : kProfiles)
        names += (names.empty() ? "" : ", ") + std::string(profile.name);
    return names;
}
