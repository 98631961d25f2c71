#include "gui/SignalQuitter.h"

#include <cerrno>
#include <csignal>
#include <iterator>

#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QTimer>

#include "base/Guard.h"

namespace {

constexpr int HandledSignals[] = { SIGTERM, SIGINT, SIGHUP };
constexpr int kIdlePollMilliseconds = 50;

// The write end is read by the handler, which may only touch plain data.
volatile std::sig_atomic_t writeFd = -1;
int sockets[2] = { -1, -1 };
struct sigaction previous[std::size(HandledSignals)];

} // namespace

SignalQuitter::SignalQuitter(std::function<void()> beforeQuit, QObject *parent)
    : QObject(parent)
    , m_beforeQuit(std::move(beforeQuit))
{
    if (sockets[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sockets) != 0)
        return;
    writeFd = sockets[1];
    m_notifier = new QSocketNotifier(sockets[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalQuitter::onReadable);

    struct sigaction action = {};
    action.sa_handler = &SignalQuitter::onSignal;
    sigemptyset(&action.sa_mask);
    // Restarted system calls keep a signal from failing a file read elsewhere.
    action.sa_flags = SA_RESTART;
    m_installed = true;
    for (std::size_t i = 0; i < std::size(HandledSignals); ++i)
        m_installed = ::sigaction(HandledSignals[i], &action, &previous[i]) == 0 && m_installed;
}

SignalQuitter::~SignalQuitter()
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

void SignalQuitter::onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    if (writeFd >= 0) {
        // Nothing can be done about a full pipe here: one byte already waits.
        const ssize_t written = ::write(writeFd, &byte, 1);
        static_cast<void>(written);
    }
    errno = savedErrno;
}

void SignalQuitter::onReadable()
{
    unsigned char byte = 0;
    if (::read(sockets[0], &byte, 1) != 1)
        return;
    // A second signal while the settings are being written changes nothing.
    if (m_quitting)
        return;
    m_quitting = true;
    emit signalled(byte);
    if (m_stopWork)
        m_stopWork();
    quitWhenIdle();
}

void SignalQuitter::setWork(std::function<void()> stop, std::function<bool()> busy)
{
    m_stopWork = std::move(stop);
    m_busy = std::move(busy);
}

void SignalQuitter::quitWhenIdle()
{
    // The work runs below this call on the stack, inside its own event
    // processing: it can only end once this returns.
    if (m_busy && m_busy()) {
        QTimer::singleShot(kIdlePollMilliseconds, this, &SignalQuitter::quitWhenIdle);
        return;
    }
    if (m_beforeQuit)
        Guard::run(QStringLiteral("Sub Form_Unload"), m_beforeQuit);
    QCoreApplication::quit();
}
