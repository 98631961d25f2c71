#pragma once

#include <QString>

#include <functional>

// Where the program finds its tools and data and writes its logs.
//
// Installed, the executable sits in PREFIX/bin, its read-only data (the four
// short sequence files, the 3rdparty tools folder) in PREFIX/share/kelvara and
// its logs in ${XDG_STATE_HOME:-~/.local/state}/kelvara. Run from the build
// tree, the data lie beside the executable. KELVARA_HOME puts all of it into
// one folder (tests and portable use).
class ProgramFolder
{
public:
    // KELVARA_HOME, else the folder of the executable; without a trailing
    // separator. The current directory while the program runs.
    static QString path();

    // Forgets the captured folders so that the next call reads them again.
    static void reset();

    // KELVARA_HOME, else PREFIX/share/kelvara beside an installed
    // executable, else the executable's own folder (the build tree).
    static QString dataFolder();

    // KELVARA_HOME, else ${XDG_STATE_HOME:-~/.local/state}/kelvara. Made
    // when missing (KELVARA_HOME never is).
    static QString logFolder();
    // logFolder()/fileName.
    static QString logFile(const QString &fileName);

    // dataFolder()/3rdparty: where bundled tools are looked for first.
    static QString toolFolder();

    // Absolute path of an external tool: toolFolder()/name first, then the
    // PATH. Empty when found in neither place.
    static QString findTool(const QString &name);

    // A read-only data file: in dataFolder(), else the build tree's bin
    // folder (KELVARA_BIN_DIR, beside the executable), else share/kelvara
    // beside the executable.
    static QString dataFile(const QString &fileName);

    // A log that cannot be written is said once, through this handler (by
    // default one line on stderr), and the program goes on without it.
    using LogProblemHandler = std::function<void(const QString &line)>;
    static LogProblemHandler setLogProblemHandler(LogProblemHandler handler);
    // Says that file cannot be written, unless a log problem was said before.
    static void reportLogProblem(const QString &file);
    // The line said about the first log that could not be written; empty
    // while every log could be.
    static QString logProblem();
};

// Appends text as one CR LF line to ProgramFolder::logFile(fileName), opening
// and closing the file for this one line. An empty fileName writes nothing; a
// log that cannot be written is reported once and otherwise ignored.
void appendLog(const QString &text, const QString &fileName);
