#include "cli/StopSignals.h"

StopSignals::StopSignals(std::function<void(int)> stop)
    : m_pipe(
        [stop = std::move(stop)](int) {
            // The first signal decides the exit code, whichever wakes the loop.
            if (stop)
                stop(SignalPipe::caught());
        },
        SignalPipe::Ignored::Keep)
{ }
