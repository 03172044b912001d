#pragma once

#include <ctime>
#include <limits>
#include <optional>
#include <utility>

// The clock tick's schedule. Ticks come every kInterval milliseconds, kPhase
// milliseconds after each tenth of the clock's second (or as late as the
// timer slack lets the kernel make them), so a new second shows within
// kPhase + kSlack of its start. Within a second the text cannot change, so
// only the first tick of a second formats it.
class ClockTick {
public:
    static constexpr int kInterval = 100;
    static constexpr int kPhase = 5;
    // How many milliseconds the kernel may make the ticks late, and every
    // other wake-up of the user-interface thread.
    static constexpr int kSlack = 50;

    // Whether `second` is another than the one the last call took; the
    // first call always finds a new second.
    bool NewSecond(std::time_t second) { return std::exchange(FSecond, second) != second; }

    // The delay to the next tick when a tick `millisecondsIntoSecond` into
    // the clock's second is off its place; nothing while the ticks keep it.
    static std::optional<int> Realign(int millisecondsIntoSecond);

private:
    std::time_t FSecond = std::numeric_limits<std::time_t>::min();
};
