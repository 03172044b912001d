#pragma once

#include <memory>
#include <string>

#include "ChildProcess.h"
#include "TempDir.h"

// A private X display for one test: a virtual 1280x1024 screen reached
// only through its local socket, with a session message bus and optionally a
// window manager. Everything it starts ends with it.
class XDisplay {
public:
    struct Options {
        bool windowManager = false;
        bool sessionBus = true;
        int depth = 24;  // bits per pixel of the screen
    };
    explicit XDisplay(Options options);
    XDisplay() : XDisplay(Options{}) {}
    ~XDisplay();
    XDisplay(const XDisplay&) = delete;
    XDisplay& operator=(const XDisplay&) = delete;

    // ":N"
    const std::string& name() const { return name_; }
    // Variables that put a child on this display and its bus, with its
    // configuration kept inside the test's own directory.
    EnvOverrides environment() const;
    const TempDir& dir() const { return dir_; }
    // Where the display's programs write their output, for failure messages.
    std::string logTail() const;

    static constexpr int kWidth = 1280;
    static constexpr int kHeight = 1024;

private:
    // Returns once the window manager maps a new client window.
    void waitUntilTheManagerMapsWindows() const;

    TempDir dir_;
    std::string name_;
    std::string busAddress_;
    std::unique_ptr<ChildProcess> server_;
    std::unique_ptr<ChildProcess> bus_;
    std::unique_ptr<ChildProcess> windowManager_;
};
