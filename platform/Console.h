// Console output of the system: report lines on standard output and fixed-width hex text.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Writes the text and a line feed to standard output, flushing after each of the two writes;
// nothing while the console is quiet.
void PrintLine(const std::string& text);

// Quiet: PrintLine writes nothing. For runs that make millions of report lines nobody reads.
void SetConsoleQuiet(bool quiet);
bool ConsoleQuiet();

// Keeps the console quiet for its lifetime, then as it was.
class QuietConsole {
public:
    QuietConsole() : wasQuiet_(ConsoleQuiet()) { SetConsoleQuiet(true); }
    ~QuietConsole() { SetConsoleQuiet(wasQuiet_); }
    QuietConsole(const QuietConsole&) = delete;
    QuietConsole& operator=(const QuietConsole&) = delete;

private:
    bool wasQuiet_;
};

// A notice the run goes on after (a song the optimizer would make larger, a safeguard that
// fired): a message box where the program shows windows, else a line on standard error (the
// installed surface decides). Keys pressed while it showed are dropped.
void Notice(const std::string& text);

// A warning that one song can give thousands of times (one per stray write): a line as PrintLine
// writes it, counted under `summary`. While warning lines are held back (imftool without
// --verbose) it is only counted.
void PrintWarning(const std::string& summary, const std::string& text);
void SetWarningLinesShown(bool shown);
bool WarningLinesShown();

// The warnings counted since the last call, one line per summary ("N " + summary), in the order
// of each summary's first warning; the counts start again from zero.
std::vector<std::string> TakeWarningCounts();

// Where report lines go: standard output, or standard error for a run whose standard output
// carries a song's bytes ("-o -").
void SetConsoleToStandardError(bool toStandardError);
std::FILE* ConsoleStream();

// Exactly `digits` upper-case hexadecimal digits of `value`, lowest nibble last; digits above
// the count are dropped, positions beyond the value's 16 digits come out as "0".
std::string HexDigits(std::int64_t value, std::uint8_t digits);
