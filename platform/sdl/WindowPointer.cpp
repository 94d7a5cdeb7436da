// Kept apart from the surface: Xlib's names (Screen, Window, ...) clash with ours.
#include "WindowPointer.h"

#include <SDL.h>
#include <SDL_syswm.h>

bool WindowPointer(SDL_Window* window, int* x, int* y) {
#if defined(SDL_VIDEO_DRIVER_X11)
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) {
        Window root = 0, child = 0;
        int rootX = 0, rootY = 0;
        unsigned int buttons = 0;
        return XQueryPointer(info.info.x11.display, info.info.x11.window, &root, &child, &rootX,
                             &rootY, x, y, &buttons) != 0;
    }
#else
    (void)window;
    (void)x;
    (void)y;
#endif
    return false;
}
