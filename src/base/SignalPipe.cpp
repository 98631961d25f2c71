#include "base/SignalPipe.h"

#include <cerrno>
#include <csignal>
#include <iterator>

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>

namespace {

constexpr int HandledSignals[] = { SIGINT, SIGTERM, SIGHUP };

// The handler may only touch plain data of these kinds.
volatile std::sig_atomic_t caughtSignal = 0;
volatile std::sig_atomic_t writeFd = -1;
int sockets[2] = { -1, -1 };
struct sigaction previous[std::size(HandledSignals)];

} // namespace

SignalPipe::SignalPipe(std::function<void(int)> onSignal, Ignored ignored)
    : m_onSignal(std::move(onSignal))
{
    caughtSignal = 0;
    if (sockets[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, sockets) != 0)
        return;
    writeFd = sockets[1];
    m_notifier = new QSocketNotifier(sockets[0], QSocketNotifier::Read);
    QObject::connect(m_notifier, &QSocketNotifier::activated, m_notifier, [this] { onReadable(); });

    struct sigaction action = {};
    action.sa_handler = &SignalPipe::onSignalCaught;
    sigemptyset(&action.sa_mask);
    // Restarted system calls keep a signal from failing a file read elsewhere.
    action.sa_flags = SA_RESTART;
    m_installed = true;
    for (std::size_t i = 0; i < std::size(HandledSignals); ++i) {
        m_installed = ::sigaction(HandledSignals[i], &action, &previous[i]) == 0 && m_installed;
        if (ignored == Ignored::Keep && previous[i].sa_handler == SIG_IGN)
            ::sigaction(HandledSignals[i], &previous[i], nullptr);
    }
}

SignalPipe::~SignalPipe()
{
    if (!m_notifier)
        return;
    for (std::size_t i = 0; i < std::size(HandledSignals); ++i)
        ::sigaction(HandledSignals[i], &previous[i], nullptr);
    writeFd = -1;
    delete m_notifier;
    ::close(sockets[0]);
    ::close(sockets[1]);
    sockets[0] = sockets[1] = -1;
}

int SignalPipe::caught()
{
    return caughtSignal;
}

void SignalPipe::onSignalCaught(int signalNumber)
{
    const int savedErrno = errno;
    if (caughtSignal == 0)
        caughtSignal = signalNumber;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    if (writeFd >= 0) {
        // A full socket already holds a byte that wakes the reader.
        const ssize_t written = ::write(writeFd, &byte, 1);
        static_cast<void>(written);
    }
    errno = savedErrno;
}

void SignalPipe::onReadable()
{
    // Signals that came together are answered once, with the first.
    unsigned char bytes[16];
    if (::read(sockets[0], bytes, sizeof bytes) <= 0)
        return;
    if (m_onSignal)
        m_onSignal(bytes[0]);
}
