// imfproc: loads an IMF or KMF song, shows it, optimises its channel allocation, saves it.
#include "CommandFlow.h"
#include "ImfError.h"

int main(int argc, char** argv) {
    return RunGuarded(ImfprocMain, argc, argv);
}
