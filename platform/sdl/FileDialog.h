// The desktop's file dialog, run as a separate program (zenity, else kdialog).
#pragma once

#include <string>
#include <vector>

// Shows the dialog and returns the chosen path, or "" when the user cancels. When neither dialog
// program is on the PATH, writes one line to standard error telling the user to pass the file on
// the command line, and returns "".
std::string RunFileDialog(const std::string& title, const std::string& filter, int save,
                          const std::string& startPath);

// Whether an executable of that name is on the PATH.
bool ProgramOnPath(const std::string& name);

// Runs a program (looked up on the PATH) and returns its standard output; its exit status (128 +
// signal when a signal ended it, -1 when it could not run) goes to *exitStatus.
std::string ProgramOutput(const std::vector<std::string>& args, int* exitStatus = nullptr);
