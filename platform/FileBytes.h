// Whole files in and out: reading a file's bytes, and replacing a file without ever truncating it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// More than any real song holds: a longer input is refused rather than read on until memory
// runs out (/dev/zero, a runaway pipe).
inline constexpr std::size_t kMaxInputBytes = std::size_t{64} << 20;

// The bytes of the file, read as a stream, so pipes, FIFOs and "-" (standard input) work too;
// standard input is read once, and every later read of "-" gives the same bytes.
// Raises "ERROR: cannot read file: " + path when it cannot be opened or read, or names a
// folder or a block device, and "ERROR: file too large: " + path beyond kMaxInputBytes.
std::vector<std::uint8_t> ReadFileBytes(const std::string& path);

// Writes the bytes to a temporary file in the target's folder and renames it over the target
// once complete, so a failed save leaves an existing file as it was and no partial file behind.
// Raises "ERROR: cannot write file: " + path when that fails. A SIGINT or SIGTERM meanwhile
// (EndOnInterrupt) ends the program once the temporary file is removed, with nothing saved. The
// path "-" writes to standard output instead.
void WriteFileReplacing(const std::string& path, std::span<const std::uint8_t> bytes);

// One file of a set written together.
struct FileToWrite {
    std::string path;
    std::span<const std::uint8_t> bytes;
};

// Files that belong together (an archive's header and data): each is written to a temporary
// beside it first, then all are renamed into place; when one cannot be, those renamed before it
// are put back as they were (the old file, or none), so all appear or none does. Raises
// "ERROR: cannot write file: " + path for the file that failed.
void WriteFilesTogether(const std::vector<FileToWrite>& files);

// For a run that writes its result to standard output ("-"): from now on report lines go to
// standard error, so standard output carries only the result.
void KeepStandardOutputForData();

// Raises "ERROR: output would replace the input: " + input, before anything is written, when
// `output` names the same file as one of the inputs (device and inode: another path or a hard
// link to it counts; "-" is standard input or output, wherever a shell pointed it). Only
// regular files count: a missing output, a pipe or a terminal never matches.
void RefuseReplacingInputs(const std::string& output, const std::vector<std::string>& inputs);

// Whether both paths name one existing regular file (for outputs: "-" is standard output).
bool SameFile(const std::string& a, const std::string& b);
