#pragma once

#include <QString>
#include <QStringList>

// Stand-ins for cdrdao and cdrecord in the test home's 3rdparty folder. Each
// is a shell script that records its arguments (one call a line, each
// argument in brackets) to calls.log, prints the transcript file chosen for
// the call in pieces that split lines, and exits with the chosen code.
// Transcripts and codes are files beside the scripts, named
// "<tool>-<action>.out" and "<tool>-<action>.rc"; the action is "scanbus",
// "unlock", "blank" or "write".
class StandInTools
{
public:
    // Installs both scripts into home/3rdparty.
    explicit StandInTools(const QString &home);

    static QString dataFile(const QString &name);

    // Uses the recorded transcript tests/data/burn/<dataName> for the action.
    void setOutput(const QString &tool, const QString &action, const QString &dataName) const;
    void setExitCode(const QString &tool, const QString &action, int code) const;
    void remove(const QString &tool) const;

    QString toolPath(const QString &tool) const { return m_folder + u'/' + tool; }
    // Every call so far: "cdrecord [-scanbus]", ...
    QStringList calls() const;

private:
    QString m_folder;
};
