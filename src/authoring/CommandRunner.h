#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class OutputSink;

// Runs external tools from one command-line string. The string is split into
// arguments by the shell's quoting rules (no expansion, no shell); a line
// that starts with "sh -c" runs a shell because it names one. A program name
// without "/" is looked up on PATH, one with "/" is used as given. The child
// starts in the current folder with the program's environment and reads
// standard input from /dev/null.
class CommandRunner
{
public:
    // Returned when the tool could not be started (not found, not
    // executable, unbalanced quotes).
    static constexpr int NotStarted = -2;
    // Largest piece read from the tool's output at once.
    static constexpr int ChunkSize = 1023;

    // Polled while the tool runs; true stops it (its whole process group).
    using CancelCheck = std::function<bool()>;

    // The arguments of a command line, as sh would split it: blanks separate
    // words; '...' is literal; inside "..." a backslash escapes \ " $ ` and
    // a newline; outside quotes a backslash escapes the next character.
    // No value when a quote is left open.
    static std::optional<QStringList> SplitCommandLine(const QString &commandLine);

    // text in double quotes with \ " $ ` escaped: one word for sh and for
    // SplitCommandLine whatever the text holds.
    static QString DoubleQuoted(const QString &text);
    // text in single quotes, each ' written as '\'' (sh's own idiom).
    static QString SingleQuoted(const QString &text);

    // Runs the command with standard output and standard error on one pipe
    // and hands what it writes, in order and in pieces of at most ChunkSize
    // bytes, to the receiver of sink named receiverName. Pending events are
    // processed between pieces so the window stays live. Returns the exit
    // code (128 + signal number when a signal ended the tool), or
    // NotStarted. A receiverName that sink does not know is a programming
    // error: KelvaraError 438, before anything starts. Without a cancel check the tool is never interrupted;
    // with one, the tool runs in its own process group, which is terminated once the check answers true.
    static int RunAndCapture(const QString &commandLine, const QString &receiverName, OutputSink &sink,
        const CancelCheck &cancel = {});

    // Runs the command with its output discarded and waits for its end.
    // Returns the exit code, or NotStarted.
    static int RunHidden(const QString &commandLine);
};

inline int RunAndCapture(const QString &commandLine, const QString &receiverName, OutputSink &sink)
{
    return CommandRunner::RunAndCapture(commandLine, receiverName, sink);
}

inline int RunHidden(const QString &commandLine)
{
    return CommandRunner::RunHidden(commandLine);
}
