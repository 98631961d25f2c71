#pragma once

#include <QFile>
#include <QString>

// "burn.log" in the log folder: replaced at the start of a burn, one CR LF
// line per entry, kept open until the burn ends.
class BurnLog
{
public:
    static QString fileName() { return QStringLiteral("burn.log"); }

    BurnLog() = default;
    ~BurnLog() { close(); }
    BurnLog(const BurnLog &) = delete;
    BurnLog &operator=(const BurnLog &) = delete;

    // Replaces the log with an empty one. One that cannot be created is said
    // once (ProgramFolder::reportLogProblem) and the burn goes on without it.
    void open();
    bool isOpen() const { return m_file.isOpen(); }
    // Writes one line and flushes it, so the log tells how far a burn came
    // even when the program dies mid-way. Nothing happens while closed.
    void write(const QString &line);
    void close();

    // Where the log lives.
    static QString path();

private:
    QFile m_file;
};
