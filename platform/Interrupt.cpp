#include "Interrupt.h"

#include <atomic>
#include <csignal>

namespace {
// Lock-free, so the handler may touch them, on whichever thread the signal lands.
std::atomic<int> pendingSignal{0};
std::atomic<int> deferrals{0};

// The signal's own default action: the program dies of it, so a shell running it in a loop
// stops too, and sees 128 + the signal's number.
void EndBy(int signal) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

extern "C" void OnInterrupt(int signal) {
    pendingSignal.store(signal);
    if (deferrals.load() == 0)
        EndBy(signal);
}
} // namespace

void EndOnInterrupt() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaddset(&action.sa_mask, SIGINT);
    sigaddset(&action.sa_mask, SIGTERM);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGINT, SIGTERM}) {
        // A signal ignored from the start stays ignored: a shell does that to the jobs it starts
        // in the background, so that Ctrl-C in the terminal does not end them.
        struct sigaction before {};
        if (sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_IGN)
            continue;
        sigaction(signal, &action, nullptr);
    }
}

int PendingInterrupt() {
    return pendingSignal.load();
}

void EndIfInterrupted() {
    if (const int signal = pendingSignal.load(); signal != 0)
        EndBy(signal);
}

InterruptDeferred::InterruptDeferred() {
    deferrals.fetch_add(1);
}

InterruptDeferred::~InterruptDeferred() {
    if (deferrals.fetch_sub(1) == 1)
        EndIfInterrupted();
}
