// imftool: the engine of imfproc without windows, as subcommands for scripts and batch work.
#pragma once

// Runs one subcommand; returns the exit status (2 for usage errors, raised errors propagate).
int ImftoolMain(int argc, char** argv);
