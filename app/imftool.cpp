// imftool: batch processing of IMF and KMF songs without windows.
#include "ImfError.h"
#include "ImftoolMain.h"

int main(int argc, char** argv) {
    return RunGuarded(ImftoolMain, argc, argv);
}
