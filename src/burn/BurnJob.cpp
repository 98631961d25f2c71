#include "burn/BurnJob.h"

#include <memory>

#include "base/ProgramFolder.h"
#include "base/Prompter.h"
#include "base/StartupCheck.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "burn/ScanbusParser.h"

namespace {

const QString kCdrdao = QStringLiteral("cdrdao");
const QString kCdrecord = QStringLiteral("cdrecord");

QString thirdPartyFolder()
{
    return ProgramFolder::toolFolder();
}

} // namespace

BurnJob::BurnJob(Prompter &prompter, QObject *parent)
    : QObject(parent)
    , m_prompter(prompter)
{ }

BurnJob::~BurnJob() = default;

QString BurnJob::toolPath(const QString &name)
{
    const QString found = ProgramFolder::findTool(name);
    return found.isEmpty() ? thirdPartyFolder() + u'/' + name : found;
}

QStringList BurnJob::driverOption(BurnMode mode)
{
    switch (mode) {
    case BurnMode::Generic:
        return { QStringLiteral("--driver"), QStringLiteral("generic-mmc") };
    case BurnMode::GenericRaw:
        return { QStringLiteral("--driver"), QStringLiteral("generic-mmc-raw") };
    case BurnMode::CdRecord:
    case BurnMode::Normal:
        break;
    }
    return {};
}

ToolJob BurnJob::scanbusCommand()
{
    return ToolJob(toolPath(kCdrecord), { QStringLiteral("-scanbus") });
}

ToolJob BurnJob::cdrdaoScanbusCommand()
{
    return ToolJob(toolPath(kCdrdao), { QStringLiteral("scanbus") });
}

ToolJob BurnJob::unlockCommand(const QString &dev, BurnMode mode)
{
    return ToolJob(toolPath(kCdrdao),
        QStringList { QStringLiteral("unlock"), QStringLiteral("--device"), dev } + driverOption(mode));
}

ToolJob BurnJob::blankCommand(const QString &dev, BurnMode mode, bool all)
{
    if (mode == BurnMode::CdRecord) {
        return ToolJob(toolPath(kCdrecord),
            { all ? QStringLiteral("-blank=all") : QStringLiteral("-blank=fast"), QStringLiteral("-v"),
                QLatin1String("-dev=") + dev });
    }
    return ToolJob(toolPath(kCdrdao),
        QStringList { QStringLiteral("blank"), QStringLiteral("--blank-mode"),
            all ? QStringLiteral("full") : QStringLiteral("minimal"), QStringLiteral("-v"),
            QStringLiteral("1"), QStringLiteral("--device"), dev }
            + driverOption(mode));
}

ToolJob BurnJob::writeCommand(
    const QString &dev, BurnMode mode, bool simulate, const QString &cuePath, int speed)
{
    const QString speedText = QString::number(speed);
    if (mode == BurnMode::CdRecord) {
        QStringList arguments { QStringLiteral("gracetime=1"), QLatin1String("speed=") + speedText,
            QStringLiteral("-dao"), QStringLiteral("-v"), QStringLiteral("-eject"),
            QStringLiteral("-overburn"), QLatin1String("dev=") + dev };
        if (simulate)
            arguments << QStringLiteral("-dummy");
        arguments << QLatin1String("cuefile=") + cuePath;
        return ToolJob(toolPath(kCdrecord), arguments);
    }
    QStringList arguments { QStringLiteral("write"), QStringLiteral("--eject"), QStringLiteral("-n"),
        QStringLiteral("--reload") };
    if (simulate)
        arguments << QStringLiteral("--simulate");
    arguments << QStringLiteral("--speed") << speedText << QStringLiteral("--force")
              << QStringLiteral("--buffers") << QStringLiteral("100") << QStringLiteral("--overburn")
              << QStringLiteral("--device") << dev;
    arguments << driverOption(mode) << cuePath;
    return ToolJob(toolPath(kCdrdao), arguments);
}

QList<ToolJob> BurnJob::burnCommands(const BurnRequest &request)
{
    const QString dev = ScanbusParser::deviceId(request.writer);
    QList<ToolJob> commands;
    if (request.mode != BurnMode::CdRecord)
        commands << unlockCommand(dev, request.mode);
    if (request.blank && !request.simulate)
        commands << blankCommand(dev, request.mode, request.blankAll);
    commands << writeCommand(dev, request.mode, request.simulate, request.cuePath, request.speed);
    return commands;
}

BurnJob::Discovery BurnJob::discover()
{
    Discovery result;
    if (ProgramFolder::findTool(kCdrdao).isEmpty()) {
        m_prompter.inform(localText(TextId::TitleUnableToBurn),
            localText(TextId::MsgMissingTool) + thirdPartyFolder() + QLatin1String("/cdrdao.") + u'\n'
                + localText(TextId::MsgDownloadFrom) + cdrdaoLocation());
        result.toolMissing = true;
        return result;
    }

    m_outputBuffer.clear();
    const ToolJob scan = scanbusCommand();
    appendLog(QLatin1String("Run command: ") + scan.commandLine(), StartupCheck::programLogName());
    const ToolJob::Result scanned = run(scan);
    result.exitCode = scanned.shellStatus();
    if (scanned.end == ToolJob::End::NotStarted)
        m_outputBuffer += QLatin1String("Could not start: ") + scanned.error;
    if (result.exitCode != 0) {
        // The tool's own reason and what usually causes it, so the person
        // knows where to look without reading the log.
        QString text = localText(TextId::MsgNoWriterInfo);
        const QString reason = ScanbusParser::failureReason(m_outputBuffer);
        if (!reason.isEmpty())
            text += u'\n' + localText(TextId::MsgToolSaid).arg(kCdrecord, reason);
        text += u'\n' + localText(TextId::MsgCheckWriter);
        m_prompter.inform(localText(TextId::TitleUnableToBurn), text);
    }
    appendLog(m_outputBuffer, StartupCheck::programLogName());
    result.writers = ScanbusParser::writers(m_outputBuffer);
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
    setStatus(localText(TextId::StatusStartBurning));
    const QString dev = ScanbusParser::deviceId(request.writer);
    if (dev.isEmpty()) {
        m_log.close();
        return Outcome::NotStarted;
    }
    // A status left from an earlier burn in this window must not pass for
    // this one's.
    m_lastStatus.clear();
    m_lastBurnSucceeded = false;

    const bool cdrecordMode = request.mode == BurnMode::CdRecord;
    if (cdrecordMode && ProgramFolder::findTool(kCdrecord).isEmpty()) {
        m_prompter.inform(localText(TextId::TitleMissingFile),
            localText(TextId::MsgMissingCdrecord).arg(cdrecordLocation()));
        m_log.close();
        return Outcome::ToolMissing;
    }

    m_outputBuffer.clear();
    logLine(QStringLiteral("Device: ") + dev);
    setBusy(true);

    if (!cdrecordMode) {
        m_outputBuffer.clear();
        run(cdrdaoScanbusCommand());
        if (m_outputBuffer.contains(QLatin1String("Can not load ASPI driver"))) {
            m_prompter.inform(localText(TextId::TitleUnableToBurn),
                localText(TextId::MsgNoAspiDriver) + QLatin1String(" nero ( ") + aspiLocation()
                    + QLatin1String(" ) ") + localText(TextId::MsgCopyTo) + u' ' + thirdPartyFolder());
            setBusy(false);
            m_log.close();
            return Outcome::AspiMissing;
        }
        logLine(QStringLiteral("Unlock device"));
        const ToolJob unlock = unlockCommand(dev, request.mode);
        logLine(QStringLiteral("Run command: ") + unlock.commandLine());
        run(unlock);
    }

    Outcome outcome = Outcome::Written;
    if (request.blank && !request.simulate) {
        logLine(QStringLiteral("Blanc CD before burning"));
        setStatus(localText(TextId::StatusBlanking));
        m_cdrdaoParser.clear();
        m_cdrecordParser.clear();
        const ToolJob command = blankCommand(dev, request.mode, request.blankAll);
        logLine(QStringLiteral("Run command: ") + command.commandLine());
        if (cdrecordMode) {
            if (!run(command, &m_cdrecordParser).succeeded()) {
                m_prompter.inform(localText(TextId::TitleBlankCd), localText(TextId::MsgCannotBlank));
                m_lastStatus = localText(TextId::StatusBlankFailed);
                logLine(QStringLiteral("Unable to blanc"));
                outcome = Outcome::BlankFailed;
            }
        } else {
            run(command, &m_cdrdaoParser);
        }
    }

    if (outcome != Outcome::BlankFailed) {
        emit progressChanged(0);
        m_cdrdaoParser.clear();
        m_cdrecordParser.clear();
        const ToolJob command
            = writeCommand(dev, request.mode, request.simulate, request.cuePath, request.speed);
        if (cdrecordMode) {
            setStatus(localText(TextId::StatusBurningImage));
            logLine(QStringLiteral("Run command: ") + command.commandLine());
            m_lastBurnSucceeded = run(command, &m_cdrecordParser).succeeded();
            if (!m_lastBurnSucceeded) {
                m_prompter.inform(localText(TextId::TitleUnableToBurn), localText(TextId::MsgBurnFailed));
                logLine(QStringLiteral("Unable to burn"));
                m_lastStatus = localText(TextId::StatusBurnFailed);
                outcome = Outcome::WriteFailed;
            } else {
                m_prompter.inform(localText(TextId::TitleBurning), localText(TextId::MsgBurnSucceeded));
            }
        } else {
            logLine(QStringLiteral("Run command: ") + command.commandLine());
            // cdrdao's own last line tells how it went; a cdrdao that never
            // started says nothing, so that is said here.
            const ToolJob::Result written = run(command, &m_cdrdaoParser);
            m_lastBurnSucceeded = written.succeeded();
            if (written.end == ToolJob::End::NotStarted) {
                logLine(QStringLiteral("Unable to burn"));
                m_lastStatus = localText(TextId::StatusBurnFailed);
                outcome = Outcome::WriteFailed;
            }
        }
        logLine(QStringLiteral("Almost done"));
    }

    setStatus(m_lastStatus);
    setBusy(false);

    logLine(QStringLiteral("Done"));
    m_log.close();
    return outcome;
}

ToolJob::Result BurnJob::run(ToolJob job, BurnOutputParser *parser)
{
    if (parser)
        job.setOutputHandler([this, parser](const QString &piece) { apply(parser->feed(piece)); });
    else
        job.setOutputHandler([this](const QString &piece) { m_outputBuffer += piece; });
    const ToolJob::Result result = job.run();
    // A last line without its line end is still a line of the tool's.
    if (parser)
        flushParser(*parser);
    if (result.end == ToolJob::End::NotStarted && m_log.isOpen())
        logLine(QLatin1String("Could not start: ") + result.error);
    return result;
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
