#pragma once

#include <ctime>
#include <limits>
#include <optional>

// The clock tick's schedule. Ticks come every kInterval milliseconds and
// fall kPhase milliseconds after each tenth of the clock's second, or as
// late as the timer slack lets the kernel make them, so that a new second
// shows within kPhase + kSlack of its start rather than up to a period
// later. Within a second the text cannot change, so only the first tick of
// a second formats it.
class ClockTick {
public:
    static constexpr int kInterval = 100;
    static constexpr int kPhase = 5;
    // How many milliseconds the kernel may make the ticks late, and every
    // other wake-up of the user-interface thread.
    static constexpr int kSlack = 50;

    // Whether `second` is another than the one the last call took; the
    // first call always finds a new second.
    bool NewSecond(std::time_t second);

    // For a tick that fell `millisecondsIntoSecond` into the clock's
    // second: the delay to the next tick when the ticks have drifted off
    // their place, nothing while they keep it.
    static std::optional<int> Realign(int millisecondsIntoSecond);

private:
    std::time_t FSecond = std::numeric_limits<std::time_t>::min();
};
