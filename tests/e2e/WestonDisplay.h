#pragma once

#include <QImage>
#include <QPoint>
#include <memory>
#include <string>

#include "ChildProcess.h"
#include "TempDir.h"

class XDisplay;

// A private Wayland compositor (weston with its desktop shell, drawing in
// memory) for one test: headless, or in a window on a private X display,
// whose pointer then reaches weston's clients. Screenshots come from weston
// itself (weston-screenshooter, allowed by --debug). Everything it starts
// ends with it.
class WestonDisplay {
public:
    struct Options {
        // Weston in a window on an X display, which gives it a pointer.
        bool onX = false;
    };
    explicit WestonDisplay(Options options);
    ~WestonDisplay();
    WestonDisplay(const WestonDisplay&) = delete;
    WestonDisplay& operator=(const WestonDisplay&) = delete;

    // Variables that put a Qt program on this compositor and nowhere else.
    EnvOverrides environment() const;
    const TempDir& dir() const { return dir_; }
    std::string logTail() const;

    // The compositor's output as it stands now; a null image on failure.
    QImage screenshot() const;

    // The pointer (onX only), in the output's pixels. Weston follows the X
    // pointer's motion from where it last saw it, so the first use pins
    // both to the output's top-left corner.
    void pointerTo(QPoint at);
    void pointerButton(bool down) const;

    static constexpr int kWidth = 1024;
    static constexpr int kHeight = 768;
    // The desktop shell's panel runs along the top; its clock changes.
    static constexpr int kPanelHeight = 32;

private:
    void xdotool(const std::vector<std::string>& arguments) const;

    TempDir dir_;
    std::unique_ptr<XDisplay> x_;
    std::unique_ptr<ChildProcess> weston_;
    bool pointerPinned_ = false;
};
