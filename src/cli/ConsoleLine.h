#pragma once

#include <QString>

#include <cstdio>

// Output of the headless subcommands: one line at a time, flushed at once so
// progress and results interleave correctly when both streams go to a terminal.
namespace ConsoleLine {

void print(std::FILE *stream, const QString &line);

// Prints "kelvara <command>: <reason>" on stderr and returns the exit code 1.
int fail(const char *command, const QString &reason);

} // namespace ConsoleLine
