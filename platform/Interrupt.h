// Ending a program at once on SIGINT and SIGTERM, without saving, as the signal itself ends it.
#pragma once

// Installs the handlers: a signal ends the program at once by that signal (the shell reports
// status 130 for SIGINT, 143 for SIGTERM), with no unwinding and nothing more written. A signal
// that the program started with ignored (a background job's SIGINT) stays ignored. Called first
// thing by the programs.
void EndOnInterrupt();

// The signal that arrived while a file was being written (0: none so far).
int PendingInterrupt();
// Ends the program by that signal, if one arrived; returns otherwise.
void EndIfInterrupted();

// Held while a file is being replaced: a signal that arrives meanwhile is kept until the writer
// has removed its temporary file (it asks PendingInterrupt before the rename and then calls
// EndIfInterrupted), or else until the holder goes, and then ends the program.
class InterruptDeferred {
public:
    InterruptDeferred();
    ~InterruptDeferred();
    InterruptDeferred(const InterruptDeferred&) = delete;
    InterruptDeferred& operator=(const InterruptDeferred&) = delete;
};
