#pragma once

#include <QImage>
#include <QRect>
#include <chrono>
#include <optional>
#include <string>
#include <sys/types.h>
#include <vector>

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
    std::vector<WindowId> visibleWindowIdsOf(pid_t pid) const;
    // The window that has the keyboard focus, if any.
    std::optional<WindowId> focusedWindow() const;
    // The pointer's place on the screen.
    QPoint pointer() const;
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
    // Waits until two shots of the window in a row are alike (it has drawn
    // itself and stopped changing) and returns the last; a null image when
    // that did not happen within the timeout. Pixels inside `ignore`, which
    // change on their own (a clock), do not count.
    QImage settledShot(const WindowId& window, std::chrono::milliseconds timeout, const QRect& ignore = {}) const;

private:
    QImage capture(const QRect& area) const;  // the screen, or only `area` of it
    CommandResult run(const std::vector<std::string>& argv) const;
    void mustRun(const std::vector<std::string>& argv) const;

    EnvOverrides env_;
};
