#pragma once

#include <functional>

class QSocketNotifier;

// SIGINT, SIGTERM and SIGHUP while a headless command runs: instead of
// ending the process on the spot, with the tools left running in their own
// process groups and half-made files in the build folder, the handler only
// notes the signal and writes a byte into a socket pair; the next time the
// command lets events through, the stop hook runs and the command winds
// down as a cancel does. One instance at a time; it restores the previous
// handlers when it goes.
class StopSignals
{
public:
    explicit StopSignals(std::function<void(int signalNumber)> stop);
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // The first signal caught, or 0; known at once, events or not.
    static int caught();
    // The exit code a shell shows for a process ended by the signal.
    static int exitCodeFor(int signalNumber) { return 128 + signalNumber; }

private:
    static void onSignal(int signalNumber);
    void onReadable();

    std::function<void(int)> m_stop;
    QSocketNotifier *m_notifier = nullptr;
};
