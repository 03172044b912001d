#pragma once

#include <QImage>
#include <QRect>
#include <chrono>
#include <functional>
#include <map>
#include <string>

#include "ChildProcess.h"
#include "Desktop.h"

// Tells whether the clock on the screen shows the true time. The reference
// is the main window drawn offscreen by the program's own widgets for the
// time text of the second (tests/e2e/ClockReferenceMain.cpp), in the same
// environment as the program (locale, scale factor); the screen must match
// it in the clock's band, character for character and without any other ink.
class ClockFace {
public:
    // `env` is the program's environment; `scale` its scale factor.
    ClockFace(const EnvOverrides& env, std::string locale, int scale);
    ~ClockFace();
    ClockFace(const ClockFace&) = delete;
    ClockFace& operator=(const ClockFace&) = delete;

    // Waits until a shot of the window matches the reference for the second
    // it was taken in. On failure `why` says what the last shot showed, and
    // the last shot and its reference are saved beside the references.
    bool showsTheTime(const Desktop& desktop, const Desktop::WindowId& window, std::chrono::milliseconds timeout,
                      std::string* why);
    // The same for shots of the window taken by `shot` (a compositor's own
    // screenshots cut to the window, say).
    bool showsTheTime(const std::function<QImage()>& shot, std::chrono::milliseconds timeout, std::string* why);

    // Pixels of the clock's band (scaled) that differ clearly from the
    // reference, within the window's outline.
    int differences(const QImage& shot, const QImage& reference) const;

private:
    const QImage& reference(std::time_t second);
    void render(std::time_t from);

    EnvOverrides env_;
    std::string locale_;
    int scale_;
    std::string dir_;  // kept after a failure, for its pictures
    bool failed_ = false;
    std::map<std::string, QImage> references_;  // by time text
};
