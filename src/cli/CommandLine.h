#pragma once

#include <QString>
#include <QStringList>

#include "cli/CommandOptions.h"

class Prompter;

// The command line of the kelvara executable: no arguments (or one album
// folder) opens the main window; "build", "scan", "render" and "burn" run
// headless (see usage()).
class CommandLine
{
public:
    enum class Action {
        Window, // no arguments, or one folder (options.source): the main window
        Run, // a subcommand with valid options
        Help, // --help: print usage, exit 0
        Version, // --version: print the version, exit 0
        Error, // print error (one line) and exit with UsageExitCode
    };

    struct Parsed
    {
        Action action = Action::Window;
        CommandOptions options;
        QString error;
    };

    static constexpr int UsageExitCode = 2;
    static constexpr int SetupIncompleteExitCode = 3;
    static constexpr int NoWriterExitCode = 4;

    // Parses the arguments after the program name. Relative --source, --dest
    // and --out paths are made absolute against workingDir now, because the
    // start-up check changes the current directory to the program folder.
    static Parsed parse(const QStringList &arguments, const QString &workingDir);

    static QString usage();

    // Runs a parsed subcommand: the start-up check (program log, tools), the
    // stored settings overridden by the options, then the command itself.
    // Never saves settings. Returns the exit code.
    static int execute(const CommandOptions &options, Prompter &prompter);
};
