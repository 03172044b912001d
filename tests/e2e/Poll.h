#pragma once

#include <chrono>
#include <thread>

// Polls a condition until it holds or the time is up; returns whether it held.
// The condition is checked once more at the deadline, so a slow poll never
// loses a last chance.
template <class Condition>
bool waitUntil(std::chrono::milliseconds timeout, Condition condition,
               std::chrono::milliseconds interval = std::chrono::milliseconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(interval);
    }
}
