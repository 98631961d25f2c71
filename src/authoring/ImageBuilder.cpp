#include "authoring/ImageBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "base/KelvaraError.h"
#include "base/ProgramFolder.h"
#include "base/Prompter.h"
#include "authoring/BuildOutput.h"
#include "authoring/ToolJob.h"
#include "authoring/VcdxbuildAdapter.h"
#include "settings/Settings.h"
#include "base/StringTable.h"
#include "base/TextIds.h"

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
            QStringLiteral("-o"), QLatin1String("bin=") + D + QLatin1String("/vcd.bin"), QStringLiteral("-o"),
            QLatin1String("cue=") + D + QLatin1String("/vcd.cue"),
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
    ToolJob job = buildJob(D, ProgramFolder::findTool(QStringLiteral("vcdxbuild")));
    job.setOutputHandler([this](const QString &text) { m_output.appendOutput(text); });

    // An image of an earlier build must not pass for this one's.
    QFile::remove(bin);
    QFile::remove(cue);

    m_output.setLineFilter(&VcdxbuildAdapter::adaptLine);
    m_output.open();
    DestructOnExit closeLog(m_output);

    // The command opens the log, as a line the user can paste to repeat it.
    m_output.logOnly(QLatin1String("Command = ") + job.commandLine());
    const ToolJob::Result result = job.run();
    m_lastExitCode = result.shellStatus();
    if (result.end == ToolJob::End::NotStarted)
        m_output.logOnly(QLatin1String("ERROR: vcdxbuild could not be started: ") + result.error);
    m_output.finish();

    const bool good
        = m_lastExitCode == 0 && m_output.finishedOk() && QFileInfo(bin).isFile() && QFileInfo(cue).isFile();
    if (!good) {
        QFile::remove(bin);
        QFile::remove(cue);
        m_prompter.inform(localText(TextId::TitleVcdCreation), localText(TextId::MsgImageFailed));
    }
    return good;
}
