#include "SdlKeyMap.h"

#include "Keys.h"

#include <SDL.h>

#include <utility>

namespace {
// Keys whose SDL code is not simply the character of the key.
constexpr std::pair<SDL_Keycode, int> KeyTable[] = {
    {SDLK_BACKSPACE, 8},
    {SDLK_TAB, Key::Tab},
    {SDLK_RETURN, 13},
    {SDLK_KP_ENTER, 13},
    {SDLK_PAUSE, 19},
    {SDLK_CAPSLOCK, 20},
    {SDLK_ESCAPE, Key::Escape},
    {SDLK_SPACE, Key::Space},
    {SDLK_PAGEUP, 33},
    {SDLK_PAGEDOWN, 34},
    {SDLK_END, Key::End},
    {SDLK_HOME, Key::Home},
    {SDLK_LEFT, Key::Left},
    {SDLK_UP, Key::Up},
    {SDLK_RIGHT, Key::Right},
    {SDLK_DOWN, Key::Down},
    {SDLK_INSERT, 45},
    {SDLK_DELETE, 46},
    {SDLK_KP_0, 96},
    {SDLK_KP_1, 97},
    {SDLK_KP_2, 98},
    {SDLK_KP_3, 99},
    {SDLK_KP_4, 100},
    {SDLK_KP_5, 101},
    {SDLK_KP_6, 102},
    {SDLK_KP_7, 103},
    {SDLK_KP_8, 104},
    {SDLK_KP_9, 105},
    {SDLK_KP_MULTIPLY, Key::KeypadMultiply},
    {SDLK_KP_PLUS, Key::KeypadPlus},
    {SDLK_KP_MINUS, Key::KeypadMinus},
    {SDLK_KP_PERIOD, 110},
    {SDLK_KP_DIVIDE, 111},
    {SDLK_F1, Key::F1},
    {SDLK_F2, 113},
    {SDLK_F3, 114},
    {SDLK_F4, 115},
    {SDLK_F5, 116},
    {SDLK_F6, 117},
    {SDLK_F7, 118},
    {SDLK_F8, 119},
    {SDLK_F9, 120},
    {SDLK_F10, 121},
    {SDLK_F11, 122},
    {SDLK_F12, Key::F12},
    {SDLK_LSHIFT, 16},
    {SDLK_RSHIFT, 16},
    {SDLK_LCTRL, 17},
    {SDLK_RCTRL, 17},
    {SDLK_LALT, 18},
    {SDLK_RALT, 18},
    {SDLK_EQUALS, 187},
    {SDLK_COMMA, 188},
    {SDLK_MINUS, 189},
    {SDLK_PERIOD, 190},
    {SDLK_SLASH, 191},
};
} // namespace

int VirtualKeyFromSdl(int sdlKey) {
    // Letters and digits: SDL codes are the lower-case characters, virtual keys the upper-case.
    if (sdlKey >= SDLK_a && sdlKey <= SDLK_z)
        return 'A' + (sdlKey - SDLK_a);
    if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9)
        return sdlKey;
    for (const auto& [sdl, virtualKey] : KeyTable) {
        if (sdl == sdlKey)
            return virtualKey;
    }
    return 0;
}

int VirtualKeyFromSdlName(const std::string& name) {
    const SDL_Keycode key = SDL_GetKeyFromName(name.c_str());
    return key == SDLK_UNKNOWN ? 0 : VirtualKeyFromSdl(key);
}
