#pragma once

#include <functional>

#include <QString>
#include <QStringList>

// One run of an external program: the program and its argument list (no
// shell is involved unless the program is one), a working folder, standard
// output and standard error on one channel, standard input from /dev/null.
// A program without "/" is looked up on PATH.
//
// The program runs in a process group of its own, so that a cancel ends the
// tool's children as well as the tool. run() is synchronous: on the
// application's thread it lets pending events through while it waits, so the
// window stays live; on any other thread (the parallel encoder's workers) it
// only waits. run() never returns, normally or by an exception, with the
// tool still running; after a cancel, or when it leaves by an exception, no
// process of the tool's group is left either.
//
// A watchdog ends a tool that looks stuck: when for the stall limit its
// group printed nothing and used no processor time, the group is ended as on
// a cancel and the result says it stalled.
class ToolJob
{
public:
    // Largest piece of output handed over at once, in bytes of UTF-8.
    static constexpr qsizetype PieceSize = 1023;
    // How long a cancelled tool has to end on SIGTERM before its group gets
    // SIGKILL.
    static constexpr int CancelGraceMilliseconds = 3000;

    // Receives the output in order, in pieces that never end inside a UTF-8
    // sequence. It may throw; the tool is then ended first.
    using OutputHandler = std::function<void(const QString &piece)>;
    // Asked every few milliseconds while the tool runs; true ends it.
    using CancelCheck = std::function<bool()>;

    enum class End {
        Finished, // exited by itself; exitCode holds its code
        Signalled, // ended by a signal; signal holds its number
        NotStarted, // never ran; error says why
    };

    struct Result
    {
        End end = End::NotStarted;
        int exitCode = -1;
        int signal = 0;
        QString error;
        // The cancel check asked for the end and the group was signalled.
        bool cancelled = false;
        // The watchdog ended the tool; stallText says which and after how long.
        bool stalled = false;
        QString stallText;

        bool succeeded() const { return end == End::Finished && exitCode == 0; }
        // The exit code, 128 + the signal for a signalled tool (as a shell
        // reports it), or -2 when it never ran.
        int shellStatus() const;
    };

    ToolJob(const QString &program, const QStringList &arguments);

    // Where the tool runs; by default the process's current folder.
    void setWorkingFolder(const QString &folder) { m_workingFolder = folder; }
    // Without a handler the output is thrown away.
    void setOutputHandler(OutputHandler handler) { m_output = std::move(handler); }
    void setCancelCheck(CancelCheck check) { m_cancel = std::move(check); }
    // The name the watchdog's message gives the tool; by default the
    // program's file name.
    void setToolName(const QString &name) { m_toolName = name; }
    QString toolName() const;

    const QString &program() const { return m_program; }
    const QStringList &arguments() const { return m_arguments; }
    const QString &workingFolder() const { return m_workingFolder; }

    // The command as a line for the logs that a user can paste into a shell.
    QString commandLine() const { return shellLine(m_program, m_arguments); }

    Result run() const;

    // Seconds without a sign of life after which every job run from now on
    // is ended; 0 (the default) lets tools run for ever. A build sets it
    // from its settings for its own time (see StallLimitScope).
    static void setStallLimit(int seconds);
    static int stallLimit();
    // The message of the last tool the watchdog ended, in any thread, or
    // empty; cleared by clearLastStall().
    static QString lastStall();
    static void clearLastStall();

    // Sets the stall limit for its lifetime and clears the last stall.
    class StallLimitScope
    {
    public:
        explicit StallLimitScope(int seconds);
        ~StallLimitScope();
        StallLimitScope(const StallLimitScope &) = delete;
        StallLimitScope &operator=(const StallLimitScope &) = delete;

    private:
        int m_previous;
    };

    // text as one shell word: as it is when it holds only characters no
    // shell treats specially, else in single quotes (a ' written as '\'').
    static QString shellWord(const QString &text);
    // program and arguments as shell words, blank-separated.
    static QString shellLine(const QString &program, const QStringList &arguments);

private:
    QString m_program;
    QStringList m_arguments;
    QString m_workingFolder;
    QString m_toolName;
    OutputHandler m_output;
    CancelCheck m_cancel;
};
