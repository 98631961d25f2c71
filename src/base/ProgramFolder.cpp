#include "base/ProgramFolder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <optional>

#include "base/KelvaraError.h"

namespace {
std::optional<QString> &capturedFolder()
{
    static std::optional<QString> folder;
    return folder;
}

QString withoutTrailingSeparator(QString path)
{
    while (path.size() > 1 && path.endsWith(u'/'))
        path.chop(1);
    return path;
}
} // namespace

QString ProgramFolder::path()
{
    auto &folder = capturedFolder();
    if (!folder) {
        const QString home = qEnvironmentVariable("KELVARA_HOME");
        if (!home.isEmpty())
            folder = withoutTrailingSeparator(QDir(home).absolutePath());
        else if (QCoreApplication::instance())
            folder = withoutTrailingSeparator(QCoreApplication::applicationDirPath());
        else
            folder = withoutTrailingSeparator(QDir::currentPath());
    }
    return *folder;
}

void ProgramFolder::reset()
{
    capturedFolder().reset();
}

QString ProgramFolder::findTool(const QString &name)
{
    const QFileInfo local(path() + QLatin1String("/3rdparty/") + name);
    if (local.isFile() && local.isExecutable())
        return local.absoluteFilePath();
    return QStandardPaths::findExecutable(name);
}

QString ProgramFolder::dataFile(const QString &fileName)
{
    const QString inFolder = path() + u'/' + fileName;
    if (QFileInfo::exists(inFolder))
        return inFolder;
    const QString binDir = qEnvironmentVariable("KELVARA_BIN_DIR");
    if (!binDir.isEmpty() && QFileInfo::exists(binDir + u'/' + fileName))
        return binDir + u'/' + fileName;
    if (QCoreApplication::instance()) {
        const QString besideExe = QCoreApplication::applicationDirPath() + u'/' + fileName;
        if (QFileInfo::exists(besideExe))
            return besideExe;
    }
    return inFolder;
}

void appendLog(const QString &text, const QString &fileName)
{
    if (fileName.isEmpty())
        return;
    QFile file(ProgramFolder::path() + u'/' + fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append))
        throw KelvaraError(75, QLatin1String("Path/File access error: ") + file.fileName());
    const QByteArray line = text.toLocal8Bit() + "\r\n";
    if (file.write(line) != line.size())
        throw KelvaraError(61, QLatin1String("Disk full: ") + file.fileName());
}
