// The one exception type of the system: a raised error with its message and the exit status.
#pragma once

#include <exception>
#include <string>

// Raised for inconsistencies and unreadable input; only main() catches it, writes the message
// to standard error as a line and exits with the status. F12 in a viewer raises one
// with an empty message and status 0 so that the program ends at once, unwinding normally.
class ImfError : public std::exception {
public:
    explicit ImfError(std::string message, int status = 255)
        : message_(std::move(message)), status_(status) {}

    // A request to end the program quietly with the given status (F12 in a viewer).
    static ImfError Exit(int status) { return ImfError(std::string(), status); }

    const char* what() const noexcept override { return message_.c_str(); }
    const std::string& Message() const { return message_; }
    int Status() const { return status_; }

private:
    std::string message_;
    int status_;
};

// The message to show for any exception: a raised error's own, else "ERROR: " and what the
// exception says (std::bad_alloc, a file system error, anything from a library).
std::string ErrorMessage(const std::exception& error);

// Runs a program body the way every program of the system ends: a raised error's message goes
// to standard error, flushed and ended by a line feed, and its status becomes the exit status.
// Any other exception ends the program the same way with ErrorMessage and status 255.
int RunGuarded(int (*body)(int, char**), int argc, char** argv);
