// imftool's subcommands; each takes the whole command line and the position of its name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct GameProfile;
struct ToolArgs;

int ToolOptimize(int argc, char** argv, int first);
int ToolInfo(int argc, char** argv, int first);
int ToolDump(int argc, char** argv, int first);
int ToolConvert(int argc, char** argv, int first);
int ToolTracks(int argc, char** argv, int first);
int ToolVolume(int argc, char** argv, int first);
int ToolSwap(int argc, char** argv, int first);
int ToolRender(int argc, char** argv, int first);
int ToolCompare(int argc, char** argv, int first);
int ToolInstruments(int argc, char** argv, int first);
int ToolMidi(int argc, char** argv, int first);
int ToolArchive(int argc, char** argv, int first);

// imftool info on an instrument bank: its format and every instrument's registers.
int PrintBankInfo(const std::string& path);

// The game that --game names, nullptr without the option; a usage error for a name no game has.
const GameProfile* GameOption(const ToolArgs& args);

// imftool convert on a MIDI file: the song composed with a bank and written as OUT names.
int ConvertMidi(const std::vector<std::uint8_t>& bytes, const ToolArgs& args);
