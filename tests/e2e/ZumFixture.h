#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <array>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "Desktop.h"
#include "TempDir.h"
#include "XDisplay.h"
#include "ZumProgram.h"

// A test with its own display and its own machine-wide state directory, in
// which the program can be started, driven, closed and started again.
class ZumFixture : public ::testing::Test {
protected:
    void SetUp() override;
    // What the display runs besides the X server; a bare server by default.
    virtual XDisplay::Options displayOptions() const { return {}; }
    void TearDown() override;

    ZumProgram& start(ZumProgram::Options options = {});
    ZumProgram& zum() { return *zum_; }
    // Clicks "x" and waits for the program to end; returns its exit code.
    int closeByButton();

    std::filesystem::path alarmFile() const { return state_.path() / "KPT.dat"; }
    std::optional<std::string> readAlarmFile() const;
    void writeAlarmFile(const std::string& alarmText, const std::string& soundPath) const;
    static std::string alarmFileText(const std::string& alarmText, const std::string& soundPath);
    // A tone of the given length in a .wav file in the test's directory.
    std::filesystem::path makeTone(double seconds) const;
    std::filesystem::path scratch() const { return scratch_.path(); }

    // The program's window as it looks now, pointer parked off the window so
    // that no button shows its hover look.
    QImage shot();
    // Clicks a control of the main window.
    void press(const QRect& control);
    // Opens the main menu and picks the item with the given accelerator key.
    void menu(const std::string& key);
    // Runs the Set Time dialog: replaces the text box's text and confirms
    // with "Ok" (or leaves with "Cancel").
    void setTime(const std::string& text, bool confirm = true);
    // Chooses the sound file by typing its path into the file dialog.
    void selectSound(const std::string& path);
    // Waits until no visible window matches.
    bool waitGone(const std::string& namePattern, std::chrono::milliseconds timeout);
    // Program output and display log, for failure messages.
    std::string diagnostics() const;

    std::unique_ptr<XDisplay> display_;
    std::unique_ptr<Desktop> desktop_;

    // The window manager's frame around a window: left, right, top, bottom.
    std::optional<std::array<int, 4>> frameExtents(const Desktop::WindowId& window) const;

private:
    TempDir state_;
    TempDir scratch_;
    std::unique_ptr<ZumProgram> zum_;
};
