#pragma once

#include <ctime>
#include <optional>
#include <string>

// The time of day as the program shows it: the local time formatted with the
// locale's own time-of-day format. Nothing if the locale is not installed.
std::optional<std::string> timeText(const std::string& locale, std::time_t when);
bool localeInstalled(const std::string& locale);
