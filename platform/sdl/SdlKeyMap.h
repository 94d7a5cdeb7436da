// Translation of SDL key codes into the Windows virtual-key codes that the system reads.
#pragma once

#include <string>

// The virtual-key code of an SDL key code (SDL_Keycode), or 0 for a key without one.
int VirtualKeyFromSdl(int sdlKey);

// The virtual-key code of the key that SDL names so ("Escape", "Keypad +", "F12", ...), or 0.
int VirtualKeyFromSdlName(const std::string& name);
