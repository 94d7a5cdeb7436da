// imftool's subcommands; each takes the whole command line and the position of its name.
#pragma once

int ToolOptimize(int argc, char** argv, int first);
int ToolInfo(int argc, char** argv, int first);
int ToolDump(int argc, char** argv, int first);
int ToolConvert(int argc, char** argv, int first);
int ToolTracks(int argc, char** argv, int first);
int ToolVolume(int argc, char** argv, int first);
int ToolSwap(int argc, char** argv, int first);
