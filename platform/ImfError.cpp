#include "ImfError.h"

#include <cstdio>

namespace {
// A message that does not end its own line gets a line feed, so that the shell's prompt or the
// next line of a log starts on a line of its own.
int EndWith(const std::string& message, int status) {
    std::fflush(stdout);
    std::fputs(message.c_str(), stderr);
    if (!message.empty() && message.back() != '\n')
        std::fputc('\n', stderr);
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
