#include "authoring/ImageBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include "authoring/BuildCancel.h"
#include "authoring/BuildOutput.h"
#include "authoring/ToolJob.h"
#include "authoring/VcdxbuildAdapter.h"
#include "base/KelvaraError.h"
#include "base/ProgramFolder.h"
#include "base/Prompter.h"
#include "base/StringTable.h"
#include "base/TextIds.h"
#include "settings/Settings.h"

namespace {

QString withoutTrailingSeparator(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

// Closes build.log however Build_Image ends.
class DestructOnExit
{
public:
    explicit DestructOnExit(BuildOutput &output)
        : m_output(output)
    { }
    ~DestructOnExit() { m_output.close(); }
    DestructOnExit(const DestructOnExit &) = delete;
    DestructOnExit &operator=(const DestructOnExit &) = delete;

private:
    BuildOutput &m_output;
};

// vcdxbuild names the bin file in the cue sheet as it was given; the cue of
// the final image must name the final file. False when the temporary cue
// cannot be read or does not name the temporary bin.
bool writeFinalCue(
    const QString &temporaryCue, const QString &temporaryBin, const QString &cue, const QString &bin)
{
    QFile in(temporaryCue);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QByteArray text = in.readAll();
    const QByteArray from = "FILE \"" + QFile::encodeName(temporaryBin) + '"';
    if (!text.contains(from))
        return false;
    const QByteArray to = "FILE \"" + QFile::encodeName(bin) + '"';
    text.replace(from, to);
    QSaveFile out(cue);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    out.write(text);
    return out.commit();
}

} // namespace

ImageBuilder::ImageBuilder(const Settings &settings, Prompter &prompter, BuildOutput &output)
    : m_settings(settings)
    , m_prompter(prompter)
    , m_output(output)
{ }

ToolJob ImageBuilder::buildJob(const QString &buildPath, const QString &vcdxbuild)
{
    const QString D = withoutTrailingSeparator(buildPath);
    const QString program = vcdxbuild.isEmpty() ? QStringLiteral("vcdxbuild") : vcdxbuild;
    return ToolJob(program,
        { QStringLiteral("--gui"), QStringLiteral("-v"), QStringLiteral("-i"), QStringLiteral("bincue"),
            QStringLiteral("-o"), QLatin1String("bin=") + D + u'/' + temporaryBin(), QStringLiteral("-o"),
            QLatin1String("cue=") + D + u'/' + temporaryCue(),
            QStringLiteral("--filename-encoding=ISO-8859-1"), D + QLatin1String("/vcd.xml") });
}

bool ImageBuilder::build()
{
    const QString home = ProgramFolder::path();
    if (!QDir::setCurrent(home))
        throw KelvaraError(76, QLatin1String("Path not found: ") + QDir::toNativeSeparators(home));

    const QString D = withoutTrailingSeparator(m_settings.destinationDir);
    const QString bin = D + QLatin1String("/vcd.bin");
    const QString cue = D + QLatin1String("/vcd.cue");
    const QString partBin = D + u'/' + temporaryBin();
    const QString partCue = D + u'/' + temporaryCue();
    ToolJob job = buildJob(D, ProgramFolder::findTool(QStringLiteral("vcdxbuild")));
    job.setOutputHandler([this](const QString &text) { m_output.appendOutput(text); });
    job.setCancelCheck([this] { return m_cancel && m_cancel->isRaised(); });
    m_cancelled = false;

    // An image of an earlier build must not pass for this one's.
    for (const QString &file : { bin, cue, partBin, partCue })
        QFile::remove(file);

    m_output.setLineFilter(&VcdxbuildAdapter::adaptLine);
    m_output.open();
    DestructOnExit closeLog(m_output);

    // The command opens the log, as a line the user can paste to repeat it.
    m_output.logOnly(QLatin1String("Command = ") + job.commandLine());
    const ToolJob::Result result = job.run();
    m_lastExitCode = result.shellStatus();
    m_cancelled = result.cancelled;
    if (result.end == ToolJob::End::NotStarted)
        m_output.logOnly(QLatin1String("ERROR: vcdxbuild could not be started: ") + result.error);
    if (m_cancelled)
        m_output.logOnly(QStringLiteral("The build was cancelled while vcdxbuild ran."));
    if (result.stalled)
        m_output.logOnly(QLatin1String("ERROR: ") + result.stallText);
    m_output.finish();

    bool good = !m_cancelled && m_lastExitCode == 0 && m_output.finishedOk() && QFileInfo(partBin).isFile()
        && QFileInfo(partCue).isFile();
    // The cue comes last: a cue sheet under its final name means the image is whole.
    if (good)
        good = QFile::rename(partBin, bin) && writeFinalCue(partCue, partBin, cue, bin);
    QFile::remove(partBin);
    QFile::remove(partCue);
    if (!good) {
        QFile::remove(bin);
        QFile::remove(cue);
        if (!m_cancelled)
            m_prompter.inform(localText(TextId::TitleVcdCreation), localText(TextId::MsgImageFailed));
    }
    return good;
}
