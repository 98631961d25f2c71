#include "burn/BurnJob.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <exception>
#include <memory>

#include "base/KelvaraError.h"
#include "base/ProgramFolder.h"
#include "base/Prompter.h"
#include "base/StartupCheck.h"
#include "authoring/CommandRunner.h"
#include "burn/AutorunSwitch.h"
#include "burn/ScanbusParser.h"
#include "base/StringTable.h"
#include "base/TextIds.h"

namespace {

const QString kCdrdao = QStringLiteral("cdrdao");
const QString kCdrecord = QStringLiteral("cdrecord");

QString thirdPartyFolder()
{
    return ProgramFolder::path() + QLatin1String("/3rdparty");
}

// Where a tool would be: the path found, else its place in 3rdparty (which
// then fails to start and is reported as such).
QString toolPath(const QString &name)
{
    const QString found = ProgramFolder::findTool(name);
    return found.isEmpty() ? thirdPartyFolder() + u'/' + name : found;
}

// A command-line word: plain text as it is, anything else double-quoted so
// that blanks or quotes in a path cannot split or break the command.
QString word(const QString &text)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./,:=@%+-]+$"));
    return plain.match(text).hasMatch() ? text : CommandRunner::DoubleQuoted(text);
}

// Puts autorun back if the burn is left by an exception, so a fatal error
// does not leave the machine with autorun off. Normal paths reset it
// themselves, with their log lines, and dismiss the guard.
class AutorunGuard
{
public:
    AutorunGuard(AutorunSwitch &autorun, int remembered)
        : m_autorun(autorun)
        , m_remembered(remembered)
    { }
    ~AutorunGuard()
    {
        if (!m_armed || std::uncaught_exceptions() == 0)
            return;
        try {
            m_autorun.ResetAutorun(m_remembered, [](const QString &) {});
        } catch (const KelvaraError &) {
            // The first error is the one the fatal box reports.
        }
    }
    void dismiss() { m_armed = false; }
    AutorunGuard(const AutorunGuard &) = delete;
    AutorunGuard &operator=(const AutorunGuard &) = delete;

private:
    AutorunSwitch &m_autorun;
    int m_remembered;
    bool m_armed = true;
};

} // namespace

BurnJob::BurnJob(Prompter &prompter, QObject *parent)
    : QObject(parent)
    , m_prompter(prompter)
{
    m_sink.addReceiver(outputReceiver(), [this](const QString &chunk) { m_outputBuffer += chunk; });
    m_sink.addReceiver(cdrdaoReceiver(), [this](const QString &chunk) { apply(m_cdrdaoParser.feed(chunk)); });
    m_sink.addReceiver(
        cdrecordReceiver(), [this](const QString &chunk) { apply(m_cdrecordParser.feed(chunk)); });
}

BurnJob::~BurnJob() = default;

QString BurnJob::toolWord(const QString &name)
{
    return word(toolPath(name));
}

QString BurnJob::driverOption(BurnMode mode)
{
    switch (mode) {
    case BurnMode::Generic:
        return QStringLiteral(" --driver generic-mmc");
    case BurnMode::GenericRaw:
        return QStringLiteral(" --driver generic-mmc-raw");
    case BurnMode::CdRecord:
    case BurnMode::Normal:
        break;
    }
    return QString();
}

QString BurnJob::scanbusCommand()
{
    return toolWord(kCdrecord) + QLatin1String(" -scanbus");
}

QString BurnJob::cdrdaoScanbusCommand()
{
    return toolWord(kCdrdao) + QLatin1String(" scanbus");
}

QString BurnJob::unlockCommand(const QString &dev, BurnMode mode)
{
    // "--device" takes the address as its own word, as in every other
    // cdrdao command here.
    return toolWord(kCdrdao) + QLatin1String(" unlock --device ") + word(dev) + driverOption(mode);
}

QString BurnJob::blankCommand(const QString &dev, BurnMode mode)
{
    if (mode == BurnMode::CdRecord)
        return toolWord(kCdrecord) + QLatin1String(" -blank=fast -v -dev=") + word(dev);
    return toolWord(kCdrdao) + QLatin1String(" blank --blank-mode minimal -v 1 --device ") + word(dev)
        + driverOption(mode);
}

QString BurnJob::writeCommand(const QString &dev, BurnMode mode, bool simulate, const QString &cuePath)
{
    if (mode == BurnMode::CdRecord) {
        return toolWord(kCdrecord) + QLatin1String(" gracetime=1 speed=4 -dao -v -eject -overburn dev=")
            + word(dev) + (simulate ? QLatin1String(" -dummy") : QLatin1String(""))
            + QLatin1String(" cuefile=") + CommandRunner::DoubleQuoted(cuePath);
    }
    return toolWord(kCdrdao) + QLatin1String(" write --eject -n --reload ")
        + (simulate ? QLatin1String("--simulate ") : QLatin1String(""))
        + QLatin1String(" --speed 4 --force --buffers 100 --overburn --device ") + word(dev)
        + driverOption(mode) + u' ' + CommandRunner::DoubleQuoted(cuePath);
}

BurnJob::Discovery BurnJob::discover()
{
    Discovery result;
    if (ProgramFolder::findTool(kCdrdao).isEmpty()) {
        m_prompter.inform(LocalText(TextId::TitleUnableToBurn),
            LocalText(TextId::MsgMissingTool) + thirdPartyFolder() + QLatin1String("/cdrdao.") + u'\n'
                + LocalText(TextId::MsgDownloadFrom) + cdrdaoLocation());
        result.toolMissing = true;
        return result;
    }

    m_outputBuffer.clear();
    result.exitCode = run(scanbusCommand(), outputReceiver());
    if (result.exitCode != 0)
        m_prompter.inform(
            QStringLiteral("Unable to burn"), QStringLiteral("Unable to read CD burner information"));
    addlog(m_outputBuffer, StartupCheck::programLogName());
    result.writers = ScanbusParser::Writers(m_outputBuffer);
    return result;
}

BurnJob::Outcome BurnJob::burn(const BurnRequest &request)
{
    // The window's buttons are off while burning; this also holds when a
    // queued click arrives during the events a running tool lets through.
    if (m_busy || m_running)
        return Outcome::NotStarted;
    m_running = true;
    const std::unique_ptr<bool, void (*)(bool *)> running(&m_running, [](bool *flag) { *flag = false; });

    m_log.open();
    logLine(QStringLiteral("Start burning"));
    setStatus(QStringLiteral("Start Burning."));
    const QString dev = ScanbusParser::DeviceId(request.writer);
    if (dev.isEmpty()) {
        m_log.close();
        return Outcome::NotStarted;
    }
    // A status left from an earlier burn in this window must not pass for
    // this one's.
    m_lastStatus.clear();

    const AutorunSwitch::LogWriter toLog = [this](const QString &line) { logLine(line); };
    AutorunSwitch autorun = m_store ? AutorunSwitch(*m_store) : AutorunSwitch();
    logLine(QStringLiteral("Disable autorun"));
    const int remembered = autorun.DisableAutorun(toLog);
    logLine(QStringLiteral("Disabled autorun"));
    AutorunGuard guard(autorun, remembered);

    const auto stopEarly = [&] {
        guard.dismiss();
        autorun.ResetAutorun(remembered, toLog);
        m_log.close();
    };

    const bool cdrecordMode = request.mode == BurnMode::CdRecord;
    if (cdrecordMode && ProgramFolder::findTool(kCdrecord).isEmpty()) {
        m_prompter.inform(QStringLiteral("Missing File"),
            QStringLiteral("Missing CDRecord.exe in your 3rdparty directory. Check ") + cdrecordLocation());
        stopEarly();
        return Outcome::ToolMissing;
    }

    m_outputBuffer.clear();
    logLine(QStringLiteral("Device: ") + dev);
    setBusy(true);

    if (!cdrecordMode) {
        m_outputBuffer.clear();
        run(cdrdaoScanbusCommand(), outputReceiver());
        if (m_outputBuffer.contains(QLatin1String("Can not load ASPI driver"))) {
            m_prompter.inform(LocalText(TextId::TitleUnableToBurn),
                LocalText(TextId::MsgNoAspiDriver) + QLatin1String(" nero ( ") + aspiLocation()
                    + QLatin1String(" ) ") + LocalText(TextId::MsgCopyTo) + u' ' + thirdPartyFolder());
            setBusy(false);
            stopEarly();
            return Outcome::AspiMissing;
        }
        logLine(QStringLiteral("Unlock device"));
        const QString unlock = unlockCommand(dev, request.mode);
        logLine(QStringLiteral("Run command: ") + unlock);
        run(unlock, outputReceiver());
    }

    Outcome outcome = Outcome::Written;
    if (request.blank && !request.simulate) {
        logLine(QStringLiteral("Blanc CD before burning"));
        setStatus(QStringLiteral("Blank CD..."));
        m_cdrdaoParser.clear();
        m_cdrecordParser.clear();
        const QString command = blankCommand(dev, request.mode);
        logLine(QStringLiteral("Run command: ") + command);
        if (cdrecordMode) {
            if (run(command, cdrecordReceiver()) != 0) {
                m_prompter.inform(QStringLiteral("Blanc CD"), QStringLiteral("Unable to blanc CD"));
                m_lastStatus = QStringLiteral("Blanc CD failed");
                logLine(QStringLiteral("Unable to blanc"));
                outcome = Outcome::BlankFailed;
            }
        } else {
            run(command, cdrdaoReceiver());
        }
    }

    if (outcome != Outcome::BlankFailed) {
        emit progressChanged(0);
        m_cdrdaoParser.clear();
        m_cdrecordParser.clear();
        const QString command = writeCommand(dev, request.mode, request.simulate, request.cuePath);
        if (cdrecordMode) {
            setStatus(QStringLiteral("Burning image..."));
            logLine(QStringLiteral("Run command: ") + command);
            if (run(command, cdrecordReceiver()) != 0) {
                m_prompter.inform(QStringLiteral("Unable to burn"),
                    QStringLiteral("Burning was NOT succesfull, check burn.log"));
                logLine(QStringLiteral("Unable to burn"));
                m_lastStatus = QStringLiteral("Burning failed");
                outcome = Outcome::WriteFailed;
            } else {
                m_prompter.inform(
                    QStringLiteral("Burning (S)VCD."), QStringLiteral("Burning was succesfull."));
            }
        } else {
            logLine(QStringLiteral("Run command: ") + command);
            // cdrdao's own last line tells how it went; a cdrdao that never
            // started says nothing, so that is said here.
            if (run(command, cdrdaoReceiver()) == CommandRunner::NotStarted) {
                logLine(QStringLiteral("Unable to burn"));
                m_lastStatus = QStringLiteral("Burning failed");
                outcome = Outcome::WriteFailed;
            }
        }
        logLine(QStringLiteral("Almost done"));
    }

    setStatus(m_lastStatus);
    setBusy(false);

    guard.dismiss();
    logLine(QStringLiteral("Reset autorun"));
    autorun.ResetAutorun(remembered, toLog);
    logLine(QStringLiteral("Autorun was reset to original value"));
    logLine(QStringLiteral("Done"));
    m_log.close();
    return outcome;
}

int BurnJob::run(const QString &command, const QString &receiver)
{
    const int code = CommandRunner::RunAndCapture(command, receiver, m_sink);
    // A last line without its line end is still a line of the tool's.
    if (receiver == cdrdaoReceiver())
        flushParser(m_cdrdaoParser);
    else if (receiver == cdrecordReceiver())
        flushParser(m_cdrecordParser);
    return code;
}

void BurnJob::flushParser(BurnOutputParser &parser)
{
    if (!parser.pendingLine().isEmpty())
        apply(parser.feed(QStringLiteral("\n")));
}

void BurnJob::apply(const BurnEvents &events)
{
    for (const BurnEvent &event : events) {
        switch (event.kind) {
        case BurnEvent::Kind::Status:
            setStatus(event.text);
            break;
        case BurnEvent::Kind::Progress:
            emit progressChanged(event.value);
            break;
        case BurnEvent::Kind::LastStatus:
            m_lastStatus = event.text;
            break;
        case BurnEvent::Kind::LogLine:
            logLine(event.text);
            break;
        }
    }
}

void BurnJob::setBusy(bool busy)
{
    if (m_busy == busy)
        return;
    m_busy = busy;
    emit busyChanged(busy);
}
