#pragma once

#include <functional>

#include "base/SignalPipe.h"

// SIGINT, SIGTERM and SIGHUP while a headless command runs: instead of
// ending the process on the spot, with the tools left running in their own
// process groups and half-made files in the build folder, the signal is
// noted and, the next time the command lets events through, the stop hook
// runs and the command winds down as a cancel does. A signal the caller
// chose to ignore stays ignored.
class StopSignals
{
public:
    explicit StopSignals(std::function<void(int signalNumber)> stop);

    // The first signal caught, or 0; known at once, events or not.
    static int caught() { return SignalPipe::caught(); }
    // The exit code a shell shows for a process ended by the signal.
    static int exitCodeFor(int signalNumber) { return 128 + signalNumber; }

private:
    SignalPipe m_pipe;
};
