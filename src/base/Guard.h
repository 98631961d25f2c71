#pragma once

#include <QString>

#include <functional>

// The one catch-all of the program. Every event handler and top-level
// procedure runs its body through Guard::run with its own name ("Sub
// pbNext_Click", "Function walk_files"); an exception escaping the body goes to
// the fatal handler, which shows the error and ends the process without saving
// settings.
class Guard
{
public:
    using FatalHandler
        = std::function<void(const QString &procedure, int number, const QString &description)>;

    // Runs body; true when it finished, false when it threw and the handler
    // returned (only test handlers return).
    static bool run(const QString &procedure, const std::function<void()> &body);

    // Replaces the handler; returns the previous one. An empty handler
    // restores the console handler.
    static FatalHandler setFatalHandler(FatalHandler handler);

    // Hands one error to the installed handler, as run does.
    static void fail(const QString &procedure, int number, const QString &description);

    // The handler for headless runs: the box text on stderr, exit code 70.
    static void consoleFatalHandler(const QString &procedure, int number, const QString &description);

    // Ends the process at once: no settings saved, no clean-up.
    [[noreturn]] static void endProcess(int exitCode);

    static constexpr int FatalExitCode = 70;
};
