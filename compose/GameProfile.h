// What a game needs of an IMF song: its tick rate, its layout and the channel its sound
// effects take.
#pragma once

#include "TickRate.h"

#include <span>
#include <string>

struct GameProfile {
    const char* name = "";  // as --game takes it
    const char* title = ""; // the game's own name
    int tickRate = kDefaultTickRate;
    bool lengthWord = false;   // the song's chunk starts with its length in bytes
    bool freeChannel0 = false; // the game's AdLib sound effects play on channel 0
};

// Wolfenstein 3-D, Spear of Destiny, Commander Keen 4 to 6 and Duke Nukem II; docs/games.md
// says where each fact comes from.
std::span<const GameProfile> GameProfiles();
// The profile of that name, or nullptr.
const GameProfile* FindGameProfile(const std::string& name);
// The names, comma-separated, for usage texts.
std::string GameProfileNames();

// The most data bytes that a length word can count.
constexpr int kLengthWordLimit = 65535;
