#pragma once

#include <ctime>

// Where "now" comes from. The program uses the system clock; tests drive a
// fake one so that ticks and checks can be placed on exact seconds.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::time_t Now() = 0;
    // How far the clock is into the second Now() returns, in milliseconds
    // (0 to 999), so that ticks can be placed just after a second turns. A
    // clock without a finer grain than seconds stays at 0.
    virtual int MillisecondsIntoSecond() { return 0; }
};

// Both answers come from the real-time clock, so the second Now() returns
// turns exactly when MillisecondsIntoSecond() wraps to 0.
class SystemClock final : public Clock {
public:
    std::time_t Now() override { return RealTime().tv_sec; }
    int MillisecondsIntoSecond() override { return static_cast<int>(RealTime().tv_nsec / 1000000); }

private:
    static timespec RealTime()
    {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        return now;
    }
};
