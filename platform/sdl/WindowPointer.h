// The pointer position relative to an SDL window, asked of the window system itself.
#pragma once

struct SDL_Window;

// The pointer's position in the window's client coordinates, also when it lies outside the
// window; false where the window system cannot be asked (then SDL's own state must serve).
bool WindowPointer(SDL_Window* window, int* x, int* y);
