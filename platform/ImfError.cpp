#include "ImfError.h"

#include <cstdio>

namespace {
int EndWith(const std::string& message, int status) {
    std::fflush(stdout);
    std::fputs(message.c_str(), stderr);
    std::fflush(stderr);
    return status;
}
} // namespace

std::string ErrorMessage(const std::exception& error) {
    if (const auto* raised = dynamic_cast<const ImfError*>(&error))
        return raised->Message();
    return std::string("ERROR: ") + error.what();
}

int RunGuarded(int (*body)(int, char**), int argc, char** argv) {
    try {
        return body(argc, argv);
    } catch (const ImfError& error) {
        return EndWith(error.Message(), error.Status());
    } catch (const std::exception& error) {
        return EndWith(ErrorMessage(error), 255);
    } catch (...) {
        return EndWith("ERROR: unknown failure", 255);
    }
}
