#pragma once

// A thread starts with the timer slack of the thread that starts it, and the
// playback threads start while the caller changes the pipeline's state. The
// caller may let its own wake-ups come tens of milliseconds late (an idle
// clock does); the sound's threads keep the kernel's default, so that their
// waits end when the sound needs them to. Held for the length of a call that
// may start threads; the caller's own slack is back when it ends.
class DefaultTimerSlackForNewThreads {
public:
    DefaultTimerSlackForNewThreads();
    ~DefaultTimerSlackForNewThreads();
    DefaultTimerSlackForNewThreads(const DefaultTimerSlackForNewThreads&) = delete;
    DefaultTimerSlackForNewThreads& operator=(const DefaultTimerSlackForNewThreads&) = delete;

    static constexpr long kDefaultNs = 50'000;

private:
    const long FSaved;  // the caller's slack; -1 where it cannot be read, which leaves it alone
};
