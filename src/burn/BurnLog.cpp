#include "burn/BurnLog.h"

#include "base/KelvaraError.h"
#include "base/ProgramFolder.h"

QString BurnLog::path()
{
    return ProgramFolder::path() + u'/' + fileName();
}

void BurnLog::open()
{
    close();
    m_file.setFileName(path());
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw KelvaraError(75, QLatin1String("Path/File access error: ") + m_file.fileName());
}

void BurnLog::write(const QString &line)
{
    if (!m_file.isOpen())
        return;
    const QByteArray bytes = line.toLocal8Bit() + "\r\n";
    if (m_file.write(bytes) != bytes.size())
        throw KelvaraError(61, QLatin1String("Disk full: ") + m_file.fileName());
    m_file.flush();
}

void BurnLog::close()
{
    if (m_file.isOpen())
        m_file.close();
}
