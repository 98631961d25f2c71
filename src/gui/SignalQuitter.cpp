#include "gui/SignalQuitter.h"

#include <QCoreApplication>
#include <QTimer>

#include "base/Guard.h"

namespace {

constexpr int kIdlePollMilliseconds = 50;

} // namespace

SignalQuitter::SignalQuitter(std::function<void()> beforeQuit, QObject *parent)
    : QObject(parent)
    , m_beforeQuit(std::move(beforeQuit))
    , m_pipe([this](int signalNumber) { onSignal(signalNumber); }, SignalPipe::Ignored::TakeOver)
{ }

void SignalQuitter::onSignal(int signalNumber)
{
    // A second signal while the settings are being written changes nothing.
    if (m_quitting)
        return;
    m_quitting = true;
    emit signalled(signalNumber);
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
