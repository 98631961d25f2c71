#include "AppTestSupport.h"

#include <QFile>

namespace AppTestSupport {

EmptyPath::EmptyPath()
    : m_oldPath(qgetenv("PATH"))
{
    qputenv("PATH", QFile::encodeName(m_dir.path()));
}

EmptyPath::~EmptyPath()
{
    qputenv("PATH", m_oldPath);
}

void installFakeTools(const QString &programFolder, const QStringList &tools)
{
    QDir().mkpath(programFolder + QLatin1String("/3rdparty"));
    for (const QString &tool : tools) {
        QFile file(programFolder + QLatin1String("/3rdparty/") + tool);
        file.open(QIODevice::WriteOnly);
        file.write("#!/bin/sh\nexit 0\n");
        file.close();
        file.setPermissions(file.permissions() | QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther);
    }
}

QStringList crlfLines(const QString &fileName, bool *allCrlf)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromLocal8Bit(file.readAll());
    if (allCrlf)
        *allCrlf
            = text.endsWith(QLatin1String("\r\n")) && text.count(u'\n') == text.count(QLatin1String("\r\n"));
    QStringList lines = text.split(QLatin1String("\r\n"));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

} // namespace AppTestSupport
