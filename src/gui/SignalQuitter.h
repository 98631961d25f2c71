#pragma once

#include <QObject>

#include <functional>

#include "base/SignalPipe.h"

// Ends the window program cleanly when the session ends it by a signal
// (SIGTERM at logout, SIGINT from a terminal, SIGHUP when the terminal goes):
// the signal handler only writes a byte into a socket pair, and the event loop
// then runs the save hook and quits, as if the user had closed the window.
// One instance at a time; it restores the previous handlers when it goes.
class SignalQuitter : public QObject
{
    Q_OBJECT

public:
    explicit SignalQuitter(std::function<void()> beforeQuit, QObject *parent = nullptr);

    // False when the socket pair or a handler could not be set up; the
    // program then runs on without it.
    bool isInstalled() const { return m_pipe.isInstalled(); }

    // Work that must wind down before the program ends (a running build):
    // stop is called on the signal, and the save hook and the quit wait
    // until busy answers false, so the work ends cleanly in its own loop.
    void setWork(std::function<void()> stop, std::function<bool()> busy);

signals:
    void signalled(int signalNumber);

private:
    void onSignal(int signalNumber);
    void quitWhenIdle();

    std::function<void()> m_beforeQuit;
    std::function<void()> m_stopWork;
    std::function<bool()> m_busy;
    bool m_quitting = false;
    SignalPipe m_pipe;
};
