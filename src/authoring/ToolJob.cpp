#include "authoring/ToolJob.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <mutex>

#include <dirent.h>
#include <sys/types.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include "base/StringTable.h"
#include "base/TextIds.h"

namespace {

// How long one wait lasts before the window gets its turn and the cancel
// check is asked again.
constexpr int kPollMilliseconds = 40;

// How often the watchdog adds up the group's processor time: reading /proc
// costs a little, and a stall is measured in seconds.
constexpr qint64 kWatchdogIntervalMilliseconds = 500;

std::atomic<int> stallLimitSeconds { 0 };
std::mutex lastStallMutex;
QString lastStallText;

// Processor time of the group's processes, their reaped children included,
// in clock ticks. A change either way means some of it ran (or ended).
long long groupProcessorTicks(qint64 group)
{
    long long ticks = 0;
    DIR *proc = ::opendir("/proc");
    if (!proc)
        return ticks;
    while (const dirent *entry = ::readdir(proc)) {
        if (entry->d_name[0] < '1' || entry->d_name[0] > '9')
            continue;
        char path[300];
        std::snprintf(path, sizeof path, "/proc/%s/stat", entry->d_name);
        std::FILE *file = std::fopen(path, "re");
        if (!file)
            continue; // gone since the listing
        char line[1024];
        const size_t size = std::fread(line, 1, sizeof line - 1, file);
        std::fclose(file);
        line[size] = '\0';
        // The name in parentheses may hold blanks and parentheses itself;
        // the fields after the last ')' start with the state.
        const char *after = std::strrchr(line, ')');
        if (!after)
            continue;
        char state = 0;
        long long pgrp = 0;
        unsigned long long utime = 0, stime = 0;
        long long cutime = 0, cstime = 0;
        const int read
            = std::sscanf(after + 1, " %c %*d %lld %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu %lld %lld",
                &state, &pgrp, &utime, &stime, &cutime, &cstime);
        if (read == 6 && pgrp == group)
            ticks += static_cast<long long>(utime + stime) + cutime + cstime;
    }
    ::closedir(proc);
    return ticks;
}

bool onApplicationThread()
{
    const QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// Bytes at the end of data that start a UTF-8 sequence without finishing
// it: they wait for the rest so no letter is cut in two.
qsizetype incompleteUtf8Tail(const char *data, qsizetype size)
{
    for (qsizetype back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(data[size - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // a continuation byte: the lead is further back
        qsizetype needed = 1;
        if ((byte & 0xE0) == 0xC0)
            needed = 2;
        else if ((byte & 0xF0) == 0xE0)
            needed = 3;
        else if ((byte & 0xF8) == 0xF0)
            needed = 4;
        return needed > back ? back : 0;
    }
    return 0;
}

// Cuts the bytes read so far into pieces for the handler. Bytes that may be
// the start of a letter still on its way are kept until more arrive or the
// tool has ended.
class PieceCutter
{
public:
    explicit PieceCutter(const ToolJob::OutputHandler &handler)
        : m_handler(handler)
    { }

    void add(const QByteArray &bytes)
    {
        m_pending += bytes;
        qsizetype at = 0;
        while (at < m_pending.size()) {
            const qsizetype left = m_pending.size() - at;
            qsizetype size = std::min(left, ToolJob::PieceSize);
            size -= incompleteUtf8Tail(m_pending.constData() + at, size);
            if (size == 0)
                break; // only the start of a letter is left
            m_handler(QString::fromUtf8(m_pending.constData() + at, size));
            at += size;
        }
        m_pending.remove(0, at);
    }

    void finish()
    {
        if (!m_pending.isEmpty())
            m_handler(QString::fromUtf8(m_pending));
        m_pending.clear();
    }

private:
    const ToolJob::OutputHandler &m_handler;
    QByteArray m_pending;
};

void signalGroup(qint64 pid, int signal)
{
    if (pid > 0)
        ::kill(-static_cast<pid_t>(pid), signal);
}

// Kills whatever is left of the group and waits, for a bounded time, until
// it is gone: a signal is delivered at once but acted on later, and the
// caller may look at the tool's files next.
void endGroup(qint64 pid)
{
    signalGroup(pid, SIGKILL);
    const QDeadlineTimer deadline(2000);
    while (!deadline.hasExpired() && ::kill(-static_cast<pid_t>(pid), 0) == 0)
        QThread::msleep(5);
}

} // namespace

int ToolJob::Result::shellStatus() const
{
    switch (end) {
    case End::Finished:
        return exitCode;
    case End::Signalled:
        return 128 + signal;
    case End::NotStarted:
        break;
    }
    return -2;
}

ToolJob::ToolJob(const QString &program, const QStringList &arguments)
    : m_program(program)
    , m_arguments(arguments)
{ }

QString ToolJob::toolName() const
{
    return m_toolName.isEmpty() ? QFileInfo(m_program).fileName() : m_toolName;
}

void ToolJob::setStallLimit(int seconds)
{
    stallLimitSeconds.store(std::max(0, seconds));
}

int ToolJob::stallLimit()
{
    return stallLimitSeconds.load();
}

QString ToolJob::lastStall()
{
    std::lock_guard lock(lastStallMutex);
    return lastStallText;
}

void ToolJob::clearLastStall()
{
    std::lock_guard lock(lastStallMutex);
    lastStallText.clear();
}

ToolJob::StallLimitScope::StallLimitScope(int seconds)
    : m_previous(stallLimit())
{
    setStallLimit(seconds);
    clearLastStall();
}

ToolJob::StallLimitScope::~StallLimitScope()
{
    setStallLimit(m_previous);
}

QString ToolJob::shellWord(const QString &text)
{
    if (text.isEmpty())
        return QStringLiteral("''");
    bool plain = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool safe = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9')
            || u == u'/' || u == u'.' || u == u'_' || u == u'-' || u == u'+' || u == u',' || u == u':'
            || u == u'=' || u == u'@' || u == u'%';
        if (!safe) {
            plain = false;
            break;
        }
    }
    if (plain)
        return text;
    QString quoted = text;
    quoted.replace(u'\'', QLatin1String("'\\''"));
    return u'\'' + quoted + u'\'';
}

QString ToolJob::shellLine(const QString &program, const QStringList &arguments)
{
    QString line = shellWord(program);
    for (const QString &argument : arguments)
        line += u' ' + shellWord(argument);
    return line;
}

ToolJob::Result ToolJob::run() const
{
    Result result;
    QProcess process;
    process.setProgram(m_program);
    process.setArguments(m_arguments);
    if (!m_workingFolder.isEmpty())
        process.setWorkingDirectory(m_workingFolder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    if (!m_output)
        process.setStandardOutputFile(QProcess::nullDevice());
    // Its own group, so the tool's children can be reached with one signal.
    // QProcess reports the start only after the exec, so the group exists
    // by the time a cancel could need it.
    process.setChildProcessModifier([] { ::setpgid(0, 0); });

    if (m_program.isEmpty()) {
        result.error = QStringLiteral("no program named");
        return result;
    }
    process.start();
    if (!process.waitForStarted(-1)) {
        result.error = process.errorString();
        return result;
    }
    const qint64 pid = process.processId();

    const bool letEventsThrough = onApplicationThread();
    const OutputHandler discard;
    PieceCutter cutter(m_output ? m_output : discard);
    QDeadlineTimer killAt(QDeadlineTimer::Forever);
    const qint64 stallMilliseconds = qint64(stallLimit()) * 1000;
    QElapsedTimer sinceSign; // since the last output or processor time
    sinceSign.start();
    QElapsedTimer sinceLook; // since the group's processor time was added up
    sinceLook.start();
    long long ticks = stallMilliseconds > 0 ? groupProcessorTicks(pid) : 0;
    try {
        // The state is asked right before each signal and nothing in between
        // lets QProcess reap the tool, so the group signalled is still ours.
        while (process.state() != QProcess::NotRunning) {
            const bool ending = result.cancelled || result.stalled;
            if (!ending && m_cancel && m_cancel()) {
                if (process.state() == QProcess::NotRunning)
                    break;
                result.cancelled = true;
                signalGroup(pid, SIGTERM);
                killAt.setRemainingTime(CancelGraceMilliseconds);
            } else if (!ending && stallMilliseconds > 0 && sinceSign.hasExpired(stallMilliseconds)) {
                if (process.state() == QProcess::NotRunning)
                    break;
                result.stalled = true;
                result.stallText = localText(TextId::ToolStalled)
                                       .arg(toolName(), QString::number(stallMilliseconds / 1000));
                {
                    std::lock_guard lock(lastStallMutex);
                    lastStallText = result.stallText;
                }
                signalGroup(pid, SIGTERM);
                killAt.setRemainingTime(CancelGraceMilliseconds);
            } else if (killAt.hasExpired()) {
                signalGroup(pid, SIGKILL);
                killAt = QDeadlineTimer(QDeadlineTimer::Forever);
            }
            // Also reads the pipe while it waits, so the tool never blocks
            // on a full one.
            process.waitForFinished(kPollMilliseconds);
            // Output sent to the null device cannot be read (nor seen: the
            // watchdog then goes by processor time alone).
            if (m_output) {
                const QByteArray bytes = process.readAll();
                if (!bytes.isEmpty())
                    sinceSign.restart();
                cutter.add(bytes);
            }
            if (stallMilliseconds > 0 && sinceLook.hasExpired(kWatchdogIntervalMilliseconds)) {
                sinceLook.restart();
                const long long now = groupProcessorTicks(pid);
                if (now != ticks)
                    sinceSign.restart();
                ticks = now;
            }
            if (letEventsThrough)
                QCoreApplication::processEvents();
        }
        if (m_output) {
            cutter.add(process.readAll());
            cutter.finish();
        }
    } catch (...) {
        signalGroup(pid, SIGKILL);
        if (process.state() != QProcess::NotRunning)
            process.waitForFinished(-1);
        endGroup(pid);
        throw;
    }
    // A child of the tool that shrugged off SIGTERM, or had not yet acted on
    // it, must not outlive the cancel.
    if (result.cancelled || result.stalled)
        endGroup(pid);

    if (process.exitStatus() == QProcess::CrashExit) {
        result.end = End::Signalled;
        // For a crash QProcess keeps the signal's number as the exit code.
        result.signal = process.exitCode();
    } else {
        result.end = End::Finished;
        result.exitCode = process.exitCode();
    }
    return result;
}
