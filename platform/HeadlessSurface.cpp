#include "HeadlessSurface.h"

#include <cstdio>

void HeadlessSurface::OpenWindow(int width, int height, int) {
    width_ = width;
    height_ = height;
}

void HeadlessSurface::Notify(const std::string& text, int) {
    std::string line = text;
    for (char& c : line) {
        if (c == '\n' || c == '\r')
            c = ' ';
    }
    std::fflush(stdout);
    std::fprintf(stderr, "%s\n", line.c_str());
    std::fflush(stderr);
}
