#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "authoring/ToolJob.h"
#include "burn/BurnLog.h"
#include "burn/BurnOutputParser.h"

class Prompter;

// How the disc is written: cdrecord, or cdrdao with its own driver choice,
// with the generic MMC driver, or with the generic MMC raw driver.
enum class BurnMode { CdRecord, Normal, Generic, GenericRaw };

// What the burn window hands over when Start is pressed.
struct BurnRequest
{
    BurnMode mode = BurnMode::CdRecord;
    bool blank = false; // blank a rewritable disc first
    bool simulate = false; // write with the laser off
    QString writer; // the chosen entry of the writer list
    QString cuePath; // the cue sheet of the image
    int speed = 4; // the writing speed asked of the writer
    bool blankAll = false; // blank the whole disc rather than its table of contents
};

// Finds the CD writers and writes an image with cdrdao or cdrecord. Talks to
// the person only through the Prompter; the window follows the signals. The
// tools are taken from ProgramFolder::toolFolder(), else from the PATH; each runs
// as a ToolJob and is logged as a line the user can paste into a shell.
class BurnJob : public QObject
{
    Q_OBJECT

public:
    struct Discovery
    {
        bool toolMissing = false; // cdrdao is missing: the window closes
        int exitCode = 0; // of "cdrecord -scanbus"
        QStringList writers;
    };

    enum class Outcome {
        NotStarted, // no writer chosen, or a burn is already running
        ToolMissing, // cdrecord missing in cdrecord mode
        AspiMissing, // cdrdao cannot reach the drives: the window closes
        BlankFailed, // nothing written
        WriteFailed,
        Written, // the tool ran; its last words are in lastStatus()
    };

    // Where the tools and the ASPI layer can be had, for the messages.
    static QString cdrdaoLocation() { return QStringLiteral("https://cdrdao.sourceforge.net/"); }
    static QString cdrecordLocation() { return QStringLiteral("https://packages.debian.org/stable/wodim"); }
    static QString aspiLocation() { return QStringLiteral("https://www.nero.com/"); }

    explicit BurnJob(Prompter &prompter, QObject *parent = nullptr);
    ~BurnJob() override;

    // Checks that cdrdao is there (else tells and answers toolMissing), then
    // lists the writers "cdrecord -scanbus" reports; the command and its
    // output go to the program log. A scan that fails is told and gives whatever it printed.
    Discovery discover();

    // Blanks (unless simulating) and writes the image. burn.log is replaced
    // at the start.
    Outcome burn(const BurnRequest &request);

    // The commands burn() runs for request once the writer is found, in
    // order: those that unlock, blank and write the disc. What a dry run
    // shows.
    static QList<ToolJob> burnCommands(const BurnRequest &request);

    bool busy() const { return m_busy; }
    // The last burn() ran its writing tool to a good end.
    bool lastBurnSucceeded() const { return m_lastBurnSucceeded; }
    // The status shown when the burn has ended.
    QString lastStatus() const { return m_lastStatus; }

    // Where the tool is: the path found, else its place in 3rdparty (which
    // then fails to start and is reported as such).
    static QString toolPath(const QString &name);
    // {"--driver", "generic-mmc"}, {"--driver", "generic-mmc-raw"} or nothing.
    static QStringList driverOption(BurnMode mode);

    static ToolJob scanbusCommand();
    static ToolJob cdrdaoScanbusCommand();
    static ToolJob unlockCommand(const QString &dev, BurnMode mode);
    static ToolJob blankCommand(const QString &dev, BurnMode mode, bool all = false);
    static ToolJob writeCommand(
        const QString &dev, BurnMode mode, bool simulate, const QString &cuePath, int speed = 4);

signals:
    void statusChanged(const QString &text);
    void progressChanged(int percent);
    void busyChanged(bool busy);

private:
    // Runs the tool with its output collected in m_outputBuffer, or fed to
    // parser when one is given.
    ToolJob::Result run(ToolJob job, BurnOutputParser *parser = nullptr);
    void apply(const BurnEvents &events);
    void flushParser(BurnOutputParser &parser);
    void setBusy(bool busy);
    void setStatus(const QString &text) { emit statusChanged(text); }
    void logLine(const QString &line) { m_log.write(line); }

    Prompter &m_prompter;
    BurnLog m_log;
    BurnOutputParser m_cdrdaoParser { BurnOutputParser::Tool::Cdrdao };
    BurnOutputParser m_cdrecordParser { BurnOutputParser::Tool::CdRecord };
    QString m_outputBuffer;
    QString m_lastStatus;
    bool m_busy = false;
    bool m_lastBurnSucceeded = false;
    bool m_running = false; // from the first step of burn() to its last
};
