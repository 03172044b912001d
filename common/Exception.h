#pragma once

#include <stdexcept>
#include <string>

// Base of every failure the program reports to the user. The message is
// shown as it stands in the exception box (a full stop is added there).
class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message) : std::runtime_error(message) {}
};
