#include "base/ProgramFolder.h"

#include <cstdio>
#include <mutex>
#include <optional>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "base/StringTable.h"
#include "base/TextIds.h"

namespace {

struct Folders
{
    std::optional<QString> program;
    std::optional<QString> data;
    std::optional<QString> log;
};

Folders &captured()
{
    static Folders folders;
    return folders;
}

struct LogProblem
{
    std::mutex mutex;
    QString line;
    ProgramFolder::LogProblemHandler handler;
};

LogProblem &logProblemState()
{
    static LogProblem state;
    return state;
}

QString withoutTrailingSeparator(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}

QString overrideFolder()
{
    const QString home = qEnvironmentVariable("KELVARA_HOME");
    return home.isEmpty() ? QString() : withoutTrailingSeparator(QDir(home).absolutePath());
}

QString executableFolder()
{
    if (QCoreApplication::instance())
        return withoutTrailingSeparator(QCoreApplication::applicationDirPath());
    return withoutTrailingSeparator(QDir::currentPath());
}

// An installed executable finds its data in ../share/kelvara; one in the
// build tree has them beside it.
QString installedDataFolder()
{
    const QString share = QDir::cleanPath(executableFolder() + QLatin1String("/../share/kelvara"));
    return QFileInfo(share).isDir() ? share : QString();
}

} // namespace

QString ProgramFolder::path()
{
    auto &folder = captured().program;
    if (!folder) {
        const QString home = overrideFolder();
        folder = home.isEmpty() ? executableFolder() : home;
    }
    return *folder;
}

void ProgramFolder::reset()
{
    captured() = Folders();
}

QString ProgramFolder::dataFolder()
{
    auto &folder = captured().data;
    if (!folder) {
        folder = overrideFolder();
        if (folder->isEmpty())
            folder = installedDataFolder();
        if (folder->isEmpty())
            folder = executableFolder();
    }
    return *folder;
}

QString ProgramFolder::logFolder()
{
    auto &folder = captured().log;
    if (!folder) {
        folder = overrideFolder();
        if (folder->isEmpty()) {
            QString state = qEnvironmentVariable("XDG_STATE_HOME");
            // Relative values are invalid by the base directory rules.
            if (state.isEmpty() || QDir::isRelativePath(state))
                state = QDir::homePath() + QLatin1String("/.local/state");
            folder = withoutTrailingSeparator(state) + QLatin1String("/kelvara");
            // A folder that cannot be made shows as a log that cannot be
            // written, said once by the first log line.
            QDir().mkpath(*folder);
        }
    }
    return *folder;
}

QString ProgramFolder::logFile(const QString &fileName)
{
    return logFolder() + u'/' + fileName;
}

QString ProgramFolder::toolFolder()
{
    return dataFolder() + QLatin1String("/3rdparty");
}

QString ProgramFolder::findTool(const QString &name)
{
    const QFileInfo local(toolFolder() + u'/' + name);
    if (local.isFile() && local.isExecutable())
        return local.absoluteFilePath();
    return QStandardPaths::findExecutable(name);
}

QString ProgramFolder::dataFile(const QString &fileName)
{
    const QString inFolder = dataFolder() + u'/' + fileName;
    if (QFileInfo::exists(inFolder))
        return inFolder;
    const QString binDir = qEnvironmentVariable("KELVARA_BIN_DIR");
    if (!binDir.isEmpty() && QFileInfo::exists(binDir + u'/' + fileName))
        return binDir + u'/' + fileName;
    const QString besideExe = executableFolder() + u'/' + fileName;
    if (QFileInfo::exists(besideExe))
        return besideExe;
    const QString installed = installedDataFolder();
    if (!installed.isEmpty() && QFileInfo::exists(installed + u'/' + fileName))
        return installed + u'/' + fileName;
    return inFolder;
}

ProgramFolder::LogProblemHandler ProgramFolder::setLogProblemHandler(LogProblemHandler handler)
{
    LogProblem &state = logProblemState();
    std::lock_guard lock(state.mutex);
    std::swap(state.handler, handler);
    return handler;
}

void ProgramFolder::reportLogProblem(const QString &file)
{
    LogProblem &state = logProblemState();
    LogProblemHandler handler;
    QString line;
    {
        std::lock_guard lock(state.mutex);
        if (!state.line.isEmpty())
            return;
        QString text = localText(TextId::MsgLogNotWritable);
        if (text.isEmpty())
            text = QStringLiteral("Cannot write the log %1; Kelvara goes on without it.");
        state.line = text.arg(QDir::toNativeSeparators(file));
        line = state.line;
        handler = state.handler;
    }
    if (handler) {
        handler(line);
        return;
    }
    std::fputs((QLatin1String("kelvara: ") + line + u'\n').toLocal8Bit().constData(), stderr);
    std::fflush(stderr);
}

QString ProgramFolder::logProblem()
{
    LogProblem &state = logProblemState();
    std::lock_guard lock(state.mutex);
    return state.line;
}

void appendLog(const QString &text, const QString &fileName)
{
    if (fileName.isEmpty())
        return;
    QFile file(ProgramFolder::logFile(fileName));
    const QByteArray line = text.toLocal8Bit() + "\r\n";
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(line) != line.size())
        ProgramFolder::reportLogProblem(file.fileName());
}
