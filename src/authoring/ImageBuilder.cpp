#include "authoring/ImageBuilder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "base/KelvaraError.h"
#include "base/ProgramFolder.h"
#include "base/Prompter.h"
#include "authoring/BuildOutput.h"
#include "authoring/CommandRunner.h"
#include "authoring/OutputSink.h"
#include "authoring/VcdxbuildAdapter.h"
#include "settings/Settings.h"
#include "base/StringTable.h"
#include "base/TextIds.h"

namespace {

const QString kReceiver = QStringLiteral("chkOutput");

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
    ~DestructOnExit() { m_output.Destruct(); }
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

QString ImageBuilder::BuildCommand(const QString &buildPath, const QString &vcdxbuild)
{
    const QString D = withoutTrailingSeparator(buildPath);
    const QString program = vcdxbuild.isEmpty() ? QStringLiteral("vcdxbuild") : vcdxbuild;
    return CommandRunner::DoubleQuoted(program) + QLatin1String(" --gui -v -i bincue -o bin=")
        + CommandRunner::DoubleQuoted(D + QLatin1String("/vcd.bin")) + QLatin1String(" -o cue=")
        + CommandRunner::DoubleQuoted(D + QLatin1String("/vcd.cue"))
        + QLatin1String(" --filename-encoding=ISO-8859-1 ")
        + CommandRunner::DoubleQuoted(D + QLatin1String("/vcd.xml"));
}

bool ImageBuilder::Build_Image()
{
    const QString home = ProgramFolder::path();
    if (!QDir::setCurrent(home))
        throw KelvaraError(76, QLatin1String("Path not found: ") + QDir::toNativeSeparators(home));

    const QString D = withoutTrailingSeparator(m_settings.destinationdir);
    const QString bin = D + QLatin1String("/vcd.bin");
    const QString cue = D + QLatin1String("/vcd.cue");
    const QString command = BuildCommand(D, ProgramFolder::findTool(QStringLiteral("vcdxbuild")));

    // An image of an earlier build must not pass for this one's.
    QFile::remove(bin);
    QFile::remove(cue);

    m_output.setLineFilter(&VcdxbuildAdapter::adaptLine);
    m_output.Init();
    DestructOnExit closeLog(m_output);

    OutputSink sink;
    sink.addReceiver(kReceiver, [this](const QString &text) { m_output.chkOutput(text); });
    m_lastExitCode = CommandRunner::RunAndCapture(command, kReceiver, sink);
    m_output.finish();

    const bool good
        = m_lastExitCode == 0 && m_output.finishedOk() && QFileInfo(bin).isFile() && QFileInfo(cue).isFile();
    if (!good) {
        QFile::remove(bin);
        QFile::remove(cue);
        m_prompter.inform(LocalText(TextId::TitleVcdCreation), LocalText(TextId::MsgImageFailed));
    }
    return good;
}
