#pragma once

#include <QImage>
#include <QRect>
#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>

#include "ChildProcess.h"

class XDisplay;

// Drives one X display the way a person would: finds windows, moves the
// pointer, clicks, types and looks at the screen. Coordinates given with a
// window are relative to that window's top-left corner.
class Desktop {
public:
    explicit Desktop(const XDisplay& display);

    using WindowId = std::string;  // as xdotool prints it (decimal)

    std::optional<WindowId> findVisibleByPid(pid_t pid, std::chrono::milliseconds timeout) const;
    std::optional<WindowId> findVisibleByName(const std::string& pattern, std::chrono::milliseconds timeout) const;
    bool anyVisibleNamed(const std::string& pattern) const;
    int visibleWindowsOf(pid_t pid) const;
    // Window geometry in screen pixels; nothing if the window is gone.
    std::optional<QRect> geometry(const WindowId& window) const;

    void moveTo(const WindowId& window, int x, int y) const;
    void click(const WindowId& window, int x, int y) const;  // left button
    void clickCentre(const WindowId& window, const QRect& control) const;
    void key(const std::string& keysym) const;  // to whatever has the keyboard
    void type(const std::string& text) const;
    void focus(const WindowId& window) const;

    QImage screenshot() const;  // the whole screen
    // The screen cut to a window's area, or a null image if it is gone.
    QImage windowShot(const WindowId& window) const;

private:
    CommandResult run(const std::vector<std::string>& argv) const;
    void mustRun(const std::vector<std::string>& argv) const;

    EnvOverrides env_;
};
