#include "app/Clock.h"

std::time_t SystemClock::Now()
{
    return std::time(nullptr);
}
