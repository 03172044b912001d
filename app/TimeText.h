#pragma once

#include <ctime>
#include <string>

// The one shape every time of day takes in this program (shown, stored,
// compared, pre-filled): local time in the process locale's time-of-day format
// (set once at start), e.g. "23:09:10" in C or de_DE, "11:09:10 PM" in en_US.
std::string TimeText(std::time_t when);

// The same into a caller's buffer, for the clock tick, which must not
// allocate. Returns the length written (0 if it did not fit).
std::size_t TimeText(std::time_t when, char* buffer, std::size_t size);
