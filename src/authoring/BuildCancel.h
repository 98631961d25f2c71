#pragma once

#include <atomic>

// The build's cancel flag: raised by the user's cancel or by a failed still,
// read by the walk and by the encoders (on their worker threads too), which
// stop at their next check.
class BuildCancel
{
public:
    void raise() { m_raised.store(true); }
    void clear() { m_raised.store(false); }
    bool isRaised() const { return m_raised.load(); }

private:
    std::atomic<bool> m_raised { false };
};
