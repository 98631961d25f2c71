#include "authoring/BuildOutput.h"

#include <QCoreApplication>

#include "base/ProgramFolder.h"

namespace {
const QString kInfoPrefix = QStringLiteral("   INFO");
} // namespace

BuildOutput::BuildOutput(QObject *parent)
    : QObject(parent)
{ }

void BuildOutput::open()
{
    if (m_log.isOpen())
        m_log.close();
    m_log.setFileName(ProgramFolder::logFile(QStringLiteral("build.log")));
    // The build goes on without its log; that is said once.
    if (!m_log.open(QIODevice::WriteOnly | QIODevice::Truncate))
        ProgramFolder::reportLogProblem(m_log.fileName());
    m_collector.clear();
    m_finishedOk = false;
    clearDisplay();
    emit initialised();
}

void BuildOutput::close()
{
    if (m_log.isOpen())
        m_log.close();
}

void BuildOutput::clearDisplay()
{
    if (m_display.isEmpty())
        return;
    m_display.clear();
    emit displayChanged(m_display);
}

void BuildOutput::appendOutput(const QString &text)
{
    bool shown = false;
    for (const QChar c : text) {
        if (c != u'\r' && c != u'\n') {
            m_collector += c;
            continue;
        }
        const QString line = m_collector;
        m_collector.clear();
        if (m_filter) {
            for (const QString &adapted : m_filter(line))
                shown = handleLine(adapted) || shown;
        } else {
            shown = handleLine(line) || shown;
        }
    }
    if (shown)
        emit displayChanged(m_display);
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

void BuildOutput::finish()
{
    if (m_collector.isEmpty())
        return;
    appendOutput(QStringLiteral("\n"));
}

void BuildOutput::logOnly(const QString &line)
{
    writeToLog(line);
}

bool BuildOutput::handleLine(const QString &line)
{
    const bool information = line.startsWith(kInfoPrefix);
    const bool show = information || m_debug;
    if (information && line.contains(QLatin1String("finished ok")))
        m_finishedOk = true;
    if (show) {
        if (m_display.size() > DisplayLimit)
            m_display = m_display.right(DisplayLimit);
        m_display += line + QLatin1String("\r\n");
    }
    writeToLog(line);
    return show;
}

void BuildOutput::writeToLog(const QString &line)
{
    if (!m_log.isOpen())
        return;
    const QByteArray bytes = line.toUtf8() + "\r\n";
    if (m_log.write(bytes) != bytes.size() || !m_log.flush()) {
        ProgramFolder::reportLogProblem(m_log.fileName());
        m_log.close();
    }
}
