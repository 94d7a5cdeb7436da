#include "Surface.h"

#include "HeadlessSurface.h"

namespace {
std::unique_ptr<Surface>& Installed() {
    static std::unique_ptr<Surface> surface = std::make_unique<HeadlessSurface>();
    return surface;
}
} // namespace

Surface& Screen() { return *Installed(); }

std::unique_ptr<Surface> InstallSurface(std::unique_ptr<Surface> surface) {
    std::unique_ptr<Surface> previous = std::move(Installed());
    Installed() = std::move(surface);
    return previous;
}
