#pragma once

#include <QString>

#include <cstdio>

// Output of the headless subcommands: one line at a time, flushed at once so
// progress and results interleave correctly when both streams go to a terminal.
namespace ConsoleLine {

void print(std::FILE *stream, const QString &line);

// text with every control character and backslash written as an escape
// (\n, \t, \r, \\, \x1b), so that a name holding one can neither split a
// line nor steer the terminal.
QString escaped(const QString &text);

// One path on stdout for people or scripts: escaped and ending in a
// newline, or, for --print0, as it is and ending in NUL.
void printPath(const QString &path, bool nulTerminated);

// Prints "kelvara <command>: <reason>" on stderr and returns the exit code 1.
int fail(const char *command, const QString &reason);

} // namespace ConsoleLine
