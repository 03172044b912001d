#include "app/ClockTick.h"

std::optional<int> ClockTick::Realign(int millisecondsIntoSecond)
{
    const int intoTenth = millisecondsIntoSecond % kInterval;
    // A few milliseconds early, or late by the slack and a little more, is
    // still the place.
    if (intoTenth >= kPhase - 3 && intoTenth <= kPhase + kSlack + 15)
        return std::nullopt;
    return (kInterval + kPhase - intoTenth - 1) % kInterval + 1;
}
