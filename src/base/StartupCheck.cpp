#include "base/StartupCheck.h"

#include <QDir>
#include <QFile>

#include "base/KelvaraError.h"
#include "base/ProgramFolder.h"
#include "base/ProgramInfo.h"
#include "base/Prompter.h"
#include "base/StringTable.h"

QStringList StartupCheck::requiredTools()
{
    return { QStringLiteral("jpeg2yuv"), QStringLiteral("mpeg2enc"), QStringLiteral("mplex") };
}

QStringList StartupCheck::buildTools()
{
    return requiredTools() << QStringLiteral("vcdxbuild");
}

void StartupCheck::prepareProgramFolder()
{
    const QString folder = ProgramFolder::path();

    // File names compare without case on the system the log names come from,
    // so "Kelvara.Log" and "kelvara.log" are one log: remove every spelling.
    const QDir logDir(ProgramFolder::logFolder());
    const QStringList oldLogs
        = logDir.entryList({ programLogName() }, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : oldLogs)
        QFile::remove(logDir.filePath(name));

    appendLog(QLatin1String("apppath: ") + folder, programLogName());
    appendLog(QLatin1String("curdir0: ") + QDir::currentPath(), programLogName());
    // Every later relative check and tool call relies on this.
    if (!QDir::setCurrent(folder))
        throw KelvaraError(76, QLatin1String("Path not found: ") + folder);

    // The settings are not read yet. Their default language is English, so
    // the start-up messages are English too rather than those of another
    // language block.
    StringTable::instance().setLanguageOffset(StartupLanguageOffset);

    appendLog(QLatin1String("curdir1: ") + QDir::currentPath(), programLogName());
}

QString StartupCheck::firstMissingTool()
{
    return firstMissingTool(requiredTools());
}

QString StartupCheck::firstMissingTool(const QStringList &tools)
{
    for (const QString &tool : tools) {
        if (ProgramFolder::findTool(tool).isEmpty())
            return tool;
    }
    return {};
}

QString StartupCheck::missingToolText(const QString &tool)
{
    return incompleteText() + QLatin1String(" (") + tool + QLatin1String(" is neither in ")
        + ProgramFolder::toolFolder() + QLatin1String(" nor on the PATH)");
}

QString StartupCheck::incompleteTitle()
{
    const QString title = localText(1114);
    return title.isEmpty() ? QStringLiteral("Setup incomplete") : title;
}

QString StartupCheck::incompleteText()
{
    QString text = localText(1113);
    if (text.isEmpty())
        text = QStringLiteral("Program directory is not correctly set up, please rerun setup or contact");
    // The address follows the text, unless a translation already carries it.
    const QString address = ProgramInfo::supportAddress();
    if (!text.contains(address))
        text += u' ' + address;
    return text;
}

bool StartupCheck::checkTools(Prompter &prompter)
{
    if (firstMissingTool().isEmpty())
        return true;
    prompter.inform(incompleteTitle(), incompleteText());
    return false;
}
