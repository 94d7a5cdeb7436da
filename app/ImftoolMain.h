// imftool: the engine of imfproc without windows, as subcommands for scripts and batch work.
#pragma once

// Runs one subcommand; returns the exit status (2 for usage errors, raised errors propagate).
// The warnings of reading songs are counted, their count lines printed at the end of a run that
// succeeds; --verbose lists each.
int ImftoolMain(int argc, char** argv);
