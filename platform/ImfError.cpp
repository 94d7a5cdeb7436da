#include "ImfError.h"

#include <cstdio>

int RunGuarded(int (*body)(int, char**), int argc, char** argv) {
    try {
        return body(argc, argv);
    } catch (const ImfError& error) {
        std::fflush(stdout);
        std::fputs(error.what(), stderr);
        std::fflush(stderr);
        return error.Status();
    }
}
