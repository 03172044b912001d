#pragma once

#include <ctime>

#include "app/Clock.h"

// A clock the test sets: a second and how far into it the clock is.
class FakeClock final : public Clock {
public:
    std::time_t now = 1796715000;  // 2026-12-08 07:30:00 UTC
    int intoSecond = 5;            // where the ticks belong
    std::time_t Now() override { return now; }
    int MillisecondsIntoSecond() override { return intoSecond; }
};
