#pragma once

#include <functional>

class QSocketNotifier;

// SIGINT, SIGTERM and SIGHUP turned into a call on the event loop. The
// handler itself only notes the first signal and writes a byte into a socket
// pair, which is all a handler may safely do; the notifier then calls
// onSignal with the signal's number the next time events are let through.
// One instance at a time; it restores the previous handlers when it goes.
class SignalPipe
{
public:
    // Whether a signal the process was started ignoring (nohup, a background
    // job of a shell without job control) is taken over or stays ignored.
    enum class Ignored { TakeOver, Keep };

    SignalPipe(std::function<void(int signalNumber)> onSignal, Ignored ignored);
    ~SignalPipe();
    SignalPipe(const SignalPipe &) = delete;
    SignalPipe &operator=(const SignalPipe &) = delete;

    // False when the socket pair or a handler could not be set up.
    bool isInstalled() const { return m_installed; }
    // The first signal caught since the pipe was set up, or 0; known at
    // once, events or not.
    static int caught();

private:
    static void onSignalCaught(int signalNumber);
    void onReadable();

    std::function<void(int)> m_onSignal;
    QSocketNotifier *m_notifier = nullptr;
    bool m_installed = false;
};
