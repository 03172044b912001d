#pragma once

#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "ChildProcess.h"
#include "Desktop.h"

class XDisplay;

// One run of the real program on a test display, with its machine-wide state
// in a directory the test owns (so a restart finds what the last run left),
// a chosen locale and a chosen sound output. Stops the program if the test
// did not.
class ZumProgram {
public:
    struct Options {
        std::string locale = "C";
        // ZUM_AUDIO_SINK; none leaves the program its default output.
        std::optional<std::string> audioSink = "fakesink sync=true";
        // Further variables for the program, set last.
        EnvOverrides environment{};
        // The program is expected to start hidden in the tray: the start
        // waits for its tray icon's window instead of the main window.
        bool startsHidden = false;
        // The scale factor the user sets for the framework (QT_SCALE_FACTOR).
        int scale = 1;
        // The user the program runs as (through runuser); empty: the user
        // running the tests. Another user's program is found by its
        // window's name, since runuser stays its parent.
        std::string user{};
        // The executable to run; empty: binary().
        std::string executable{};
        // The program is expected to end by itself without a window (a
        // later start while a clock runs): the start waits for nothing.
        bool expectsToEnd = false;
    };
    // Starts the program and waits until its main window is visible; throws
    // (with the program's output) if it never shows.
    ZumProgram(const XDisplay& display, const std::filesystem::path& systemDir, Options options);
    ~ZumProgram();
    ZumProgram(const ZumProgram&) = delete;
    ZumProgram& operator=(const ZumProgram&) = delete;

    pid_t pid() const { return process_->pid(); }
    const Desktop::WindowId& window() const { return window_; }
    int scale() const { return scale_; }
    // Waits until the main window is visible and takes it as window();
    // false if it does not show within the timeout.
    bool findMainWindow(std::chrono::milliseconds timeout);
    // The exit code once the program has ended by itself within the timeout;
    // -1 for an end by a signal; nothing while it still runs.
    std::optional<int> exitCode(std::chrono::milliseconds timeout);
    std::string output() const;

    // Path of the program's executable: $ZUM_BINARY, else the one built here.
    static std::string binary();
    // The environment the program runs in on a display with `displayEnv`:
    // its state in `systemDir`, its home and leak-check files in `scratch`.
    static EnvOverrides environment(const EnvOverrides& displayEnv, const std::filesystem::path& scratch,
                                    const std::filesystem::path& systemDir, const Options& options);

private:
    EnvOverrides displayEnv_;
    std::filesystem::path logPath_;
    std::unique_ptr<ChildProcess> process_;
    Desktop::WindowId window_;
    int scale_ = 1;
    bool otherUser_ = false;
};
