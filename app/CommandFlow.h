// The fixed run of imfproc: pick a file, load it, show it, optimise it, save it beside the input.
#pragma once

// The caption of the program's windows and message boxes.
inline constexpr const char* kApplicationTitle = "Quillfen's IMF Processor (Alpha Version 0.001)";

// One whole run through the installed surface; returns the exit status. The first argument is
// the input file; without it a file dialog asks. A cancelled dialog ends silently with status 0;
// a file that cannot be read raises "ERROR: cannot read file: " + path.
int ImfprocMain(int argc, char** argv);
