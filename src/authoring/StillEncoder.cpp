#include "authoring/StillEncoder.h"

#include <cstdio>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "authoring/BuildCancel.h"
#include "authoring/SvcdScanData.h"
#include "base/KelvaraError.h"
#include "base/ProgramFolder.h"
#include "base/Prompter.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "settings/Settings.h"

namespace {

const QString kLogName = QStringLiteral("Create.Log");

QString toolOrName(const QString &name)
{
    const QString found = ProgramFolder::findTool(name);
    return found.isEmpty() ? name : found;
}

void changeFolder(const QString &folder)
{
    if (!QDir::setCurrent(folder))
        throw KelvaraError(76, QLatin1String("Path not found: ") + QDir::toNativeSeparators(folder));
}

QString currentFolder()
{
    return QDir::toNativeSeparators(QDir::currentPath());
}

// mplex ends every program stream it finishes with the end code; a stream
// cut short (a full disk, a killed multiplexer) lacks it.
bool endsWithEndCode(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 4 || !file.seek(file.size() - 4))
        return false;
    return file.read(4) == QByteArray("\x00\x00\x01\xB9", 4);
}

// Replaces whatever is at to by from in one step, so no reader ever sees a
// half-written still under the final name.
bool moveOver(const QString &from, const QString &to)
{
    return ::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
}

} // namespace

StillEncoder::Tools StillEncoder::Tools::find()
{
    return { toolOrName(QStringLiteral("jpeg2yuv")), toolOrName(QStringLiteral("mpeg2enc")),
        toolOrName(QStringLiteral("mplex")) };
}

StillEncoder::StillEncoder(const Settings &settings, Prompter &prompter, BuildCancel &cancel)
    : m_settings(settings)
    , m_prompter(prompter)
    , m_cancel(cancel)
{ }

QString StillEncoder::streamSuffix(bool vcd)
{
    return vcd ? QStringLiteral(".m1v") : QStringLiteral(".m2v");
}

QString StillEncoder::partOf(const QString &still)
{
    return still + QLatin1String(".part");
}

QString StillEncoder::toolFolder()
{
    const QString thirdParty = ProgramFolder::toolFolder();
    return QFileInfo(thirdParty).isDir() ? thirdParty : ProgramFolder::path();
}

ToolJob StillEncoder::encoderJob(const QString &P, const QString &Q, bool vcd, const Tools &tools)
{
    const QStringList decoderArguments { QStringLiteral("-n"), QStringLiteral("1"), QStringLiteral("-f"),
        QStringLiteral("25"), QStringLiteral("-I"), QStringLiteral("p"), QStringLiteral("-j"),
        P + QLatin1String(".jpx") };
    QStringList encoderArguments = vcd ? QStringList { QStringLiteral("-T"), QStringLiteral("220"),
        QStringLiteral("-a"), QStringLiteral("2"), QStringLiteral("-f"), QStringLiteral("6") }
                                       : QStringList { QStringLiteral("-T"), QStringLiteral("200"),
                                             QStringLiteral("-q"), QStringLiteral("1"), QStringLiteral("-a"),
                                             QStringLiteral("2"), QStringLiteral("-f"), QStringLiteral("7") };
    encoderArguments << QStringLiteral("-o") << Q + streamSuffix(vcd);
    // Each word is quoted on its own, so no character of a path can reach
    // the shell as syntax.
    const QString script = ToolJob::shellLine(tools.jpeg2yuv, decoderArguments) + QLatin1String(" | ")
        + ToolJob::shellLine(tools.mpeg2enc, encoderArguments);
    ToolJob job(QStringLiteral("sh"), { QStringLiteral("-c"), script });
    // The shell only joins the two; a stall is theirs.
    job.setToolName(
        QFileInfo(tools.jpeg2yuv).fileName() + QLatin1String(" | ") + QFileInfo(tools.mpeg2enc).fileName());
    return job;
}

ToolJob StillEncoder::multiplexJob(const QString &P, const QString &Q, bool vcd, const Tools &tools)
{
    return ToolJob(tools.mplex,
        { QStringLiteral("-f"), vcd ? QStringLiteral("6") : QStringLiteral("7"), QStringLiteral("-o"),
            partOf(P + QLatin1String(".mpg")), Q + streamSuffix(vcd) });
}

StillEncoder::Steps StillEncoder::encodeSteps(const QString &P, const QString &Q, bool vcd,
    const Tools &tools, const QString &workFolder, const StepHooks &hooks)
{
    const QString stream = Q + streamSuffix(vcd);
    const QString still = P + QLatin1String(".mpg");

    ToolJob encoder = encoderJob(P, Q, vcd, tools);
    encoder.setWorkingFolder(workFolder);
    encoder.setOutputHandler(hooks.log);
    encoder.setCancelCheck(hooks.interrupt);
    hooks.log(QLatin1String("Command = ") + encoder.commandLine());

    // A stream left by an earlier run must not pass for this one's.
    QFile::remove(stream);
    const ToolJob::Result encoded = encoder.run();
    if (encoded.cancelled) {
        // Cancelled, not failed: the stream is half-written; the JPEG stays.
        QFile::remove(stream);
        return Steps::Stopped;
    }
    if (!encoded.succeeded() || !QFileInfo::exists(stream)) {
        // An encoder that failed may still leave a damaged stream behind.
        QFile::remove(stream);
        if (encoded.end == ToolJob::End::NotStarted)
            hooks.log(QLatin1String("ERROR: ") + encoded.error);
        if (encoded.stalled)
            hooks.log(QLatin1String("ERROR: ") + encoded.stallText);
        hooks.log(QLatin1String("ERROR: ") + stream + QLatin1String(" file not created"));
        return Steps::EncoderFailed;
    }
    // No multiplexer starts after a cancel or an earlier still's failure.
    if (hooks.skip && hooks.skip())
        return Steps::Stopped;

    // mpeg2enc writes no scan information into SVCD stills; vcdxbuild warns
    // about every MPEG-2 stream without it.
    if (!vcd && !SvcdScanData::addTo(stream))
        hooks.log(QLatin1String("WARNING: no scan information added to ") + stream);

    ToolJob multiplexer = multiplexJob(P, Q, vcd, tools);
    multiplexer.setWorkingFolder(workFolder);
    multiplexer.setCancelCheck(hooks.interrupt);
    hooks.log(QLatin1String("Command2 = ") + multiplexer.commandLine());
    // The still is written under a temporary name and takes its own only
    // once whole: a full disk or a killed build leaves nothing a later build
    // could take for a finished still.
    const QString part = partOf(still);
    QFile::remove(still);
    QFile::remove(part);
    const ToolJob::Result multiplexed = multiplexer.run();
    QFile::remove(P + QLatin1String(".jpx"));
    hooks.log(QStringLiteral("tempfile1 deleted"));
    Steps steps = Steps::Made;
    if (multiplexed.cancelled) {
        QFile::remove(part);
        steps = Steps::Stopped;
    } else if (!multiplexed.succeeded() || !endsWithEndCode(part) || !moveOver(part, still)) {
        QFile::remove(part);
        QFile::remove(still);
        if (multiplexed.end == ToolJob::End::NotStarted)
            hooks.log(QLatin1String("ERROR: ") + multiplexed.error);
        else if (multiplexed.stalled)
            hooks.log(QLatin1String("ERROR: ") + multiplexed.stallText);
        else if (multiplexed.succeeded())
            hooks.log(QLatin1String("ERROR: ") + part + QLatin1String(" is not a whole stream"));
        hooks.log(QLatin1String("ERROR: ") + Q + QLatin1String(".mpg file not created"));
        steps = Steps::MultiplexerFailed;
    }
    QFile::remove(stream);
    hooks.log(QStringLiteral("tempfile2 deleted"));
    return steps;
}

void StillEncoder::log(const QString &line)
{
    m_block.append(line);
    if (m_writeImmediately)
        appendLog(line, kLogName);
}

void StillEncoder::writeLogBlock(const QStringList &block)
{
    for (const QString &line : block)
        appendLog(line, kLogName);
}

void StillEncoder::appendLogLine(const QString &text)
{
    log(text);
}

QString StillEncoder::failureText(int textId, const QString &stem)
{
    return localText(textId) + u'\n' + QDir::toNativeSeparators(stem + QLatin1String(".mpg"));
}

void StillEncoder::fail(int textId, const QString &stem)
{
    m_prompter.inform(localText(TextId::TitleCreateVcd), failureText(textId, stem));
    m_cancel.raise();
}

void StillEncoder::encode(const QString &P, const QString &Q)
{
    // The tools run elsewhere; the walk's stems may be relative to here.
    const QString stem = QFileInfo(P).absoluteFilePath();
    const QString streamStem = QFileInfo(Q).absoluteFilePath();

    m_block.clear();
    log(QStringLiteral("-----"));
    log(QLatin1String("Curdir = ") + currentFolder());

    const QString home = ProgramFolder::path();
    changeFolder(home);
    const QString work = toolFolder();
    changeFolder(work);
    log(QLatin1String("Curdir 3rdparty = ") + currentFolder());

    StepHooks hooks;
    hooks.log = [this](const QString &line) { appendLogLine(line); };
    // Asked while the tools run, so that an interrupt asked for meanwhile
    // (a signal ending the program) reaches the still being encoded.
    hooks.interrupt = [this] { return m_interruptOnCancel && m_cancel.isRaised(); };
    hooks.skip = [this] { return m_cancel.isRaised(); };

    switch (encodeSteps(stem, streamStem, m_settings.vcd, Tools::find(), work, hooks)) {
    case Steps::Made:
        break;
    case Steps::Stopped:
        // An interrupted build leaves no stream; otherwise a cancel only
        // keeps the multiplexer from starting.
        if (m_interruptOnCancel)
            QFile::remove(streamStem + streamSuffix(m_settings.vcd));
        break;
    case Steps::EncoderFailed:
        fail(TextId::MsgTempFilesFailed, stem);
        break;
    case Steps::MultiplexerFailed:
        fail(TextId::MsgMpgFilesFailed, stem);
        break;
    }

    changeFolder(home);
    log(QLatin1String("enddir = ") + currentFolder());
    log(QStringLiteral("------"));
}
