#pragma once

#include <exception>
#include <functional>
#include <string>

// The exception box's text for a failure message: a full stop appended unless it ends in one.
std::string ExceptionBoxText(const std::string& message);

// Shows a failure to the user: a modal box with the application title as
// caption, the stop icon and one OK button. The program then goes on.
// Tests replace the presenter to record what would have been shown.
using ExceptionPresenter = std::function<void(const std::string& text)>;
void ShowException(const std::exception& error);
ExceptionPresenter SetExceptionPresenter(ExceptionPresenter presenter);

// Runs a command handler; a failure escaping it goes to the exception box,
// as one reaching the message loop does.
template <typename F>
void RunGuarded(F&& handler)
{
    try {
        handler();
    } catch (const std::exception& error) {
        ShowException(error);
    }
}
