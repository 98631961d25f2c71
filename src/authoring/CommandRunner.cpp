#include "authoring/CommandRunner.h"

#include <QCoreApplication>
#include <QFile>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "base/KelvaraError.h"
#include "authoring/OutputSink.h"

namespace {

// How long a read waits before the window gets its turn and the cancel check
// is asked again.
constexpr int kPollMilliseconds = 50;

void closeFd(int &fd)
{
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

int exitCodeOf(int status)
{
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return CommandRunner::NotStarted;
}

int waitFor(pid_t pid)
{
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return CommandRunner::NotStarted;
    }
    return exitCodeOf(status);
}

void processPendingEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

// A started child, or none when it could not be started.
struct Child
{
    pid_t pid = -1;
    bool ownGroup = false;
};

// Starts args with standard output and error on outputFd (or /dev/null when
// it is -1). A failed exec is reported back through a close-on-exec status
// pipe, so "could not start" is told apart from a tool that fails.
Child startChild(const QStringList &args, int outputFd, bool ownGroup)
{
    if (args.isEmpty() || args.first().isEmpty())
        return {};
    QString program = args.first();
    if (!program.contains(u'/')) {
        program = QStandardPaths::findExecutable(program);
        if (program.isEmpty())
            return {};
    }

    // Everything the child needs is prepared before fork: after it only
    // async-signal-safe calls are allowed.
    std::vector<QByteArray> storage;
    storage.reserve(args.size());
    storage.push_back(QFile::encodeName(program));
    for (qsizetype i = 1; i < args.size(); ++i)
        storage.push_back(QFile::encodeName(args.at(i)));
    std::vector<char *> argv;
    argv.reserve(storage.size() + 1);
    // The child sees the name it was called by, as a shell would pass it.
    QByteArray argv0 = QFile::encodeName(args.first());
    argv.push_back(argv0.data());
    for (size_t i = 1; i < storage.size(); ++i)
        argv.push_back(storage[i].data());
    argv.push_back(nullptr);
    const char *path = storage.front().constData();

    int status[2];
    if (::pipe2(status, O_CLOEXEC) != 0)
        return {};

    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(status[0]);
        ::close(status[1]);
        return {};
    }
    if (pid == 0) {
        if (ownGroup)
            ::setpgid(0, 0);
        const int devNull = ::open("/dev/null", O_RDWR);
        if (devNull >= 0)
            ::dup2(devNull, STDIN_FILENO);
        const int out = outputFd >= 0 ? outputFd : devNull;
        if (out >= 0) {
            ::dup2(out, STDOUT_FILENO);
            ::dup2(out, STDERR_FILENO);
        }
        if (devNull > STDERR_FILENO)
            ::close(devNull);
        ::execv(path, argv.data());
        const int error = errno;
        [[maybe_unused]] const ssize_t written = ::write(status[1], &error, sizeof error);
        ::_exit(127);
    }

    // Also set here, so a cancel right after the start finds the group.
    if (ownGroup)
        ::setpgid(pid, pid);
    ::close(status[1]);
    int error = 0;
    ssize_t got;
    do {
        got = ::read(status[0], &error, sizeof error);
    } while (got < 0 && errno == EINTR);
    ::close(status[0]);
    if (got > 0) {
        waitFor(pid);
        return {};
    }
    return { pid, ownGroup };
}

// Bytes of text that end inside a UTF-8 sequence: those are kept back and
// joined to the next piece so no letter is broken in two.
qsizetype incompleteUtf8Tail(const char *data, qsizetype size)
{
    for (qsizetype back = 1; back <= 3 && back <= size; ++back) {
        const auto byte = static_cast<unsigned char>(data[size - back]);
        if ((byte & 0xC0) == 0x80)
            continue; // continuation byte: look further back for the lead
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

} // namespace

std::optional<QStringList> CommandRunner::SplitCommandLine(const QString &commandLine)
{
    QStringList words;
    QString word;
    bool inWord = false;
    const qsizetype n = commandLine.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = commandLine.at(i);
        if (c == u' ' || c == u'\t' || c == u'\n') {
            if (inWord) {
                words.append(word);
                word.clear();
                inWord = false;
            }
            continue;
        }
        inWord = true;
        if (c == u'\\') {
            if (i + 1 < n) {
                ++i;
                if (commandLine.at(i) != u'\n') // backslash-newline joins lines
                    word += commandLine.at(i);
            }
            continue;
        }
        if (c == u'\'') {
            const qsizetype close = commandLine.indexOf(u'\'', i + 1);
            if (close < 0)
                return std::nullopt;
            word += QStringView(commandLine).mid(i + 1, close - i - 1);
            i = close;
            continue;
        }
        if (c == u'"') {
            ++i;
            for (;; ++i) {
                if (i >= n)
                    return std::nullopt;
                const QChar d = commandLine.at(i);
                if (d == u'"')
                    break;
                if (d == u'\\' && i + 1 < n) {
                    const QChar e = commandLine.at(i + 1);
                    if (e == u'\\' || e == u'"' || e == u'$' || e == u'`') {
                        word += e;
                        ++i;
                        continue;
                    }
                    if (e == u'\n') {
                        ++i;
                        continue;
                    }
                }
                word += d;
            }
            continue;
        }
        word += c;
    }
    if (inWord)
        words.append(word);
    return words;
}

QString CommandRunner::DoubleQuoted(const QString &text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'"';
    for (const QChar c : text) {
        if (c == u'\\' || c == u'"' || c == u'$' || c == u'`')
            out += u'\\';
        out += c;
    }
    out += u'"';
    return out;
}

QString CommandRunner::SingleQuoted(const QString &text)
{
    QString out = text;
    out.replace(u'\'', QLatin1String("'\\''"));
    return u'\'' + out + u'\'';
}

int CommandRunner::RunAndCapture(
    const QString &commandLine, const QString &receiverName, OutputSink &sink, const CancelCheck &cancel)
{
    const OutputSink::Receiver receiver = sink.receiver(receiverName);
    if (!receiver)
        throw KelvaraError(
            438, QLatin1String("Object doesn't support this property or method: ") + receiverName);

    const std::optional<QStringList> args = SplitCommandLine(commandLine);
    if (!args)
        return NotStarted;

    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return NotStarted;
    int readEnd = pipeFds[0];
    int writeEnd = pipeFds[1];

    const Child child = startChild(*args, writeEnd, static_cast<bool>(cancel));
    // Our copy of the write end must go, or the pipe never reports its end.
    closeFd(writeEnd);
    if (child.pid < 0) {
        closeFd(readEnd);
        return NotStarted;
    }

    bool stopped = false;
    QByteArray carried;
    char buffer[ChunkSize];
    try {
        for (;;) {
            if (cancel && !stopped && cancel()) {
                ::kill(child.ownGroup ? -child.pid : child.pid, SIGTERM);
                stopped = true;
            }
            pollfd ready { readEnd, POLLIN, 0 };
            const int polled = ::poll(&ready, 1, kPollMilliseconds);
            if (polled < 0 && errno == EINTR)
                continue;
            if (polled == 0) {
                processPendingEvents();
                continue;
            }
            const ssize_t got = ::read(readEnd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                break;
            carried.append(buffer, got);
            const qsizetype keep = incompleteUtf8Tail(carried.constData(), carried.size());
            const QString text = QString::fromUtf8(carried.constData(), carried.size() - keep);
            carried.remove(0, carried.size() - keep);
            if (!text.isEmpty())
                receiver(text);
            processPendingEvents();
        }
        if (!carried.isEmpty())
            receiver(QString::fromUtf8(carried));
    } catch (...) {
        // The receiver failed: do not leave the tool running behind us.
        closeFd(readEnd);
        ::kill(child.ownGroup ? -child.pid : child.pid, SIGTERM);
        waitFor(child.pid);
        throw;
    }
    closeFd(readEnd);
    return waitFor(child.pid);
}

int CommandRunner::RunHidden(const QString &commandLine)
{
    const std::optional<QStringList> args = SplitCommandLine(commandLine);
    if (!args)
        return NotStarted;
    const Child child = startChild(*args, -1, false);
    if (child.pid < 0)
        return NotStarted;
    return waitFor(child.pid);
}
