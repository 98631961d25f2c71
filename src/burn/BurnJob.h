#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "authoring/OutputSink.h"
#include "burn/BurnLog.h"
#include "burn/BurnOutputParser.h"

class Prompter;
class RegistryStore;

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
};

// Finds the CD writers and writes an image with cdrdao or cdrecord, with
// autorun switched off for the duration. Talks to the person only through the
// Prompter; the window follows the signals. The tools are taken from
// ProgramFolder/3rdparty, else from the PATH.
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

    // Receivers the tools' output is delivered to.
    static QString outputReceiver() { return QStringLiteral("chkOutput"); }
    static QString cdrdaoReceiver() { return QStringLiteral("chkBurn"); }
    static QString cdrecordReceiver() { return QStringLiteral("chkBurnCdRecord"); }

    // Where the tools and the ASPI layer can be had, for the messages.
    static QString cdrdaoLocation() { return QStringLiteral("https://cdrdao.sourceforge.net/"); }
    static QString cdrecordLocation() { return QStringLiteral("https://packages.debian.org/stable/wodim"); }
    static QString aspiLocation() { return QStringLiteral("https://www.nero.com/"); }

    explicit BurnJob(Prompter &prompter, QObject *parent = nullptr);
    ~BurnJob() override;

    // Uses this registry store for the autorun value instead of the one the
    // environment names (which must outlive the job).
    void setRegistryStore(RegistryStore *store) { m_store = store; }

    // Checks that cdrdao is there (else tells and answers toolMissing), then
    // lists the writers "cdrecord -scanbus" reports; its output goes to the
    // program log. A scan that fails is told and gives whatever it printed.
    Discovery discover();

    // Blanks (unless simulating) and writes the image. burn.log is replaced
    // at the start. Autorun is back to its old value whenever this returns.
    Outcome burn(const BurnRequest &request);

    bool busy() const { return m_busy; }
    // The status shown when the burn has ended.
    QString lastStatus() const { return m_lastStatus; }

    // The tool's path as a word of a command line.
    static QString toolWord(const QString &name);
    // " --driver generic-mmc", " --driver generic-mmc-raw" or nothing.
    static QString driverOption(BurnMode mode);

    static QString scanbusCommand();
    static QString cdrdaoScanbusCommand();
    static QString unlockCommand(const QString &dev, BurnMode mode);
    static QString blankCommand(const QString &dev, BurnMode mode);
    static QString writeCommand(const QString &dev, BurnMode mode, bool simulate, const QString &cuePath);

signals:
    void statusChanged(const QString &text);
    void progressChanged(int percent);
    void busyChanged(bool busy);

private:
    int run(const QString &command, const QString &receiver);
    void apply(const BurnEvents &events);
    void flushParser(BurnOutputParser &parser);
    void setBusy(bool busy);
    void setStatus(const QString &text) { emit statusChanged(text); }
    void logLine(const QString &line) { m_log.write(line); }

    Prompter &m_prompter;
    RegistryStore *m_store = nullptr;
    OutputSink m_sink;
    BurnLog m_log;
    BurnOutputParser m_cdrdaoParser { BurnOutputParser::Tool::Cdrdao };
    BurnOutputParser m_cdrecordParser { BurnOutputParser::Tool::CdRecord };
    QString m_outputBuffer;
    QString m_lastStatus;
    bool m_busy = false;
    bool m_running = false; // from the first step of burn() to its last
};
