// imftool: batch processing of IMF and KMF songs without windows.
#include "ImfError.h"
#include "ImftoolMain.h"
#include "Interrupt.h"

int main(int argc, char** argv) {
    EndOnInterrupt();
    return RunGuarded(ImftoolMain, argc, argv);
}
