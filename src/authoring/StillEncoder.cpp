#include "authoring/StillEncoder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "base/KelvaraError.h"
#include "base/ProgramFolder.h"
#include "base/Prompter.h"
#include "authoring/BuildState.h"
#include "authoring/CommandRunner.h"
#include "authoring/FileNames.h"
#include "authoring/OutputSink.h"
#include "authoring/SvcdScanData.h"
#include "settings/Settings.h"
#include "base/StringTable.h"
#include "base/TextIds.h"

namespace {

const QString kLogName = QStringLiteral("Create.Log");
const QString kReceiver = QStringLiteral("chkCreateMpeg");

QString toolOrName(const QString &name)
{
    const QString found = ProgramFolder::findTool(name);
    return found.isEmpty() ? name : found;
}

// A tool path as one shell word: plain paths stay readable in the log.
QString shellWord(const QString &path)
{
    for (const QChar c : path) {
        const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')
            || c == u'/' || c == u'.' || c == u'_' || c == u'-' || c == u'+';
        if (!plain)
            return CommandRunner::DoubleQuoted(path);
    }
    return path;
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

} // namespace

StillEncoder::Tools StillEncoder::Tools::find()
{
    return { toolOrName(QStringLiteral("jpeg2yuv")), toolOrName(QStringLiteral("mpeg2enc")),
        toolOrName(QStringLiteral("mplex")) };
}

StillEncoder::StillEncoder(const Settings &settings, Prompter &prompter, BuildState &state)
    : m_settings(settings)
    , m_prompter(prompter)
    , m_state(state)
{ }

QString StillEncoder::StreamSuffix(bool vcd)
{
    return vcd ? QStringLiteral(".m1v") : QStringLiteral(".m2v");
}

QString StillEncoder::EncoderCommand(
    const QString &P, const QString &Q, bool vcd, const Tools &tools, int platform)
{
    const QString encoderOptions
        = vcd ? QStringLiteral(" -T 220 -a 2 -f 6 -o ") : QStringLiteral(" -T 200 -q 1 -a 2 -f 7 -o ");
    if (platform == 1) {
        // Each path is quoted inside the script and the script is quoted as a
        // whole, so no character of a path can end either quoting early.
        const QString script = shellWord(tools.jpeg2yuv) + QLatin1String(" -n 1 -f 25 -I p -j ")
            + CommandRunner::DoubleQuoted(P + QLatin1String(".jpx")) + QLatin1String("| ")
            + shellWord(tools.mpeg2enc) + encoderOptions + CommandRunner::DoubleQuoted(Q + StreamSuffix(vcd));
        return QLatin1String("sh -c ") + CommandRunner::SingleQuoted(script);
    }
    return qEnvironmentVariable("COMSPEC") + QLatin1String(" /c ") + tools.jpeg2yuv
        + QLatin1String(" -n 1 -f 25 -I p -j \"") + P + QLatin1String(".jpx\"| ") + tools.mpeg2enc
        + encoderOptions + u'"' + Q + StreamSuffix(vcd) + u'"';
}

QString StillEncoder::MultiplexCommand(const QString &P, const QString &Q, bool vcd, const Tools &tools)
{
    return shellWord(tools.mplex) + (vcd ? QLatin1String(" -f 6 -o ") : QLatin1String(" -f 7 -o "))
        + CommandRunner::SingleQuoted(P + QLatin1String(".mpg")) + u' '
        + CommandRunner::SingleQuoted(Q + StreamSuffix(vcd));
}

void StillEncoder::log(const QString &line)
{
    m_block.append(line);
    if (m_writeImmediately)
        addlog(line, kLogName);
}

void StillEncoder::writeLogBlock(const QStringList &block)
{
    for (const QString &line : block)
        addlog(line, kLogName);
}

void StillEncoder::chkCreateMpeg(const QString &text)
{
    log(text);
}

void StillEncoder::fail(int textId, const QString &logLine)
{
    m_prompter.inform(LocalText(TextId::TitleCreateVcd), LocalText(textId));
    log(logLine);
    m_state.CancelBuild = true;
}

void StillEncoder::creatempeg(const QString &P, const QString &Q)
{
    const bool vcd = m_settings.vcd;
    const QString suffix = StreamSuffix(vcd);
    const QString stream = Q + suffix;
    const QString still = P + QLatin1String(".mpg");
    const Tools tools = Tools::find();

    m_block.clear();
    log(QStringLiteral("-----"));
    log(QLatin1String("Curdir = ") + currentFolder());

    const QString home = ProgramFolder::path();
    changeFolder(home);
    const QString thirdParty = home + QLatin1String("/3rdparty");
    if (QFileInfo(thirdParty).isDir())
        changeFolder(thirdParty);
    log(QLatin1String("Curdir 3rdparty = ") + currentFolder());

    const QString command = EncoderCommand(P, Q, vcd, tools, PlatformId());
    log(QLatin1String("Command = ") + command);

    // A stream left by an earlier run must not pass for this one's.
    QFile::remove(stream);

    OutputSink sink;
    sink.addReceiver(kReceiver, [this](const QString &text) { chkCreateMpeg(text); });
    CommandRunner::CancelCheck cancel;
    if (m_interruptOnCancel)
        cancel = [this] { return m_state.CancelBuild; };
    const int exitCode = CommandRunner::RunAndCapture(command, kReceiver, sink, cancel);

    if (m_interruptOnCancel && m_state.CancelBuild) {
        // Cancelled, not failed: no message; a stopped encoder's stream is
        // half-written, so it goes; the JPEG stays as after any cancel.
        QFile::remove(stream);
    } else if (!QFileInfo::exists(stream) || exitCode != 0) {
        // An encoder that failed may still leave a damaged stream behind.
        QFile::remove(stream);
        fail(TextId::MsgTempFilesFailed,
            QLatin1String("ERROR: ") + stream + QLatin1String(" file not created"));
    }

    if (!m_state.CancelBuild) {
        // mpeg2enc writes no scan information into SVCD stills; vcdxbuild
        // warns about every MPEG-2 stream without it.
        if (!vcd && !SvcdScanData::addTo(stream))
            log(QLatin1String("WARNING: no scan information added to ") + stream);
        const QString multiplex = MultiplexCommand(P, Q, vcd, tools);
        log(QLatin1String("Command2 = ") + multiplex);
        QFile::remove(still);
        const int multiplexCode = CommandRunner::RunHidden(multiplex);
        QFile::remove(P + QLatin1String(".jpx"));
        log(QStringLiteral("tempfile1 deleted"));
        if (!QFileInfo::exists(still) || multiplexCode != 0) {
            QFile::remove(still);
            fail(TextId::MsgMpgFilesFailed,
                QLatin1String("ERROR: ") + Q + QLatin1String(".mpg file not created"));
        }
        QFile::remove(stream);
        log(QStringLiteral("tempfile2 deleted"));
    }

    changeFolder(home);
    log(QLatin1String("enddir = ") + currentFolder());
    log(QStringLiteral("------"));
}
