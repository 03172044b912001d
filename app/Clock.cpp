#include "app/Clock.h"

namespace {

timespec RealTime()
{
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return now;
}

}  // namespace

std::time_t SystemClock::Now()
{
    return RealTime().tv_sec;
}

int SystemClock::MillisecondsIntoSecond()
{
    return static_cast<int>(RealTime().tv_nsec / 1000000);
}
