#pragma once

#include <ctime>

// Where "now" comes from. The program uses the system clock; tests drive a
// fake one so that ticks and checks can be placed on exact seconds.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::time_t Now() = 0;
};

class SystemClock final : public Clock {
public:
    std::time_t Now() override;
};
