#include "burn/BurnLog.h"

#include "base/ProgramFolder.h"

QString BurnLog::path()
{
    return ProgramFolder::logFile(fileName());
}

void BurnLog::open()
{
    close();
    m_file.setFileName(path());
    // A burn goes on without its log; that is said once.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        ProgramFolder::reportLogProblem(m_file.fileName());
}

void BurnLog::write(const QString &line)
{
    if (!m_file.isOpen())
        return;
    const QByteArray bytes = line.toLocal8Bit() + "\r\n";
    if (m_file.write(bytes) != bytes.size() || !m_file.flush()) {
        ProgramFolder::reportLogProblem(m_file.fileName());
        m_file.close();
    }
}

void BurnLog::close()
{
    if (m_file.isOpen())
        m_file.close();
}
