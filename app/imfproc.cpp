// imfproc: loads an IMF or KMF song, shows it, optimises its channel allocation, saves it.
#include "CommandFlow.h"
#include "ImfError.h"
#include "Interrupt.h"
#ifdef IMF_HAVE_SDL
#include "SdlSurface.h"
#endif

namespace {
int WindowedMain(int argc, char** argv) {
#ifdef IMF_HAVE_SDL
    // Real windows, message boxes and the desktop's file dialog; without a display the
    // headless surface stays, and the viewers close at once.
    if (auto windows = MakeSdlSurface())
        InstallSurface(std::move(windows));
#endif
    return ImfprocMain(argc, argv);
}
} // namespace

int main(int argc, char** argv) {
    EndOnInterrupt();
    return RunGuarded(WindowedMain, argc, argv);
}
