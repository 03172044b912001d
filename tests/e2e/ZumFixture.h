#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <array>
#include <chrono>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
    // Opens the main menu, waits until it is drawn and returns its window.
    std::optional<Desktop::WindowId> openMenu();
    // Opens the main menu and picks the item with the given accelerator key;
    // returns once the menu has closed. For a disabled item Escape follows
    // the key, so the menu's closing shows that the key was handled.
    void menu(const std::string& key, bool itemEnabled = true);
    bool isVisible(const Desktop::WindowId& window) const;
    // Opens the Set Time dialog and waits until it shows its time text.
    Desktop::WindowId openSetTime();
    // Puts the keyboard into the dialog's text box with all of its text
    // selected; throws when the selection does not show.
    void selectAllInTimeEdit(const Desktop::WindowId& dialog);
    // Whether a line of the main window shows `text` in white (the alarm line
    // at 13 px bold, the sound line at 9 px): ink as wide as the text, or
    // none for the empty text.
    static bool lineShows(const QImage& window, const QRect& line, int pixelSize, bool bold, const std::string& text);
    // Runs the Set Time dialog: replaces the text box's text and confirms
    // with "Ok" (or leaves with "Cancel"); after "Ok" returns once the alarm
    // line shows the text.
    void setTime(const std::string& text, bool confirm = true);
    // Chooses the sound file by typing its path into the file dialog; returns
    // once the dialog is gone and the sound line shows the path.
    void selectSound(const std::string& path);
    // Waits until no visible window matches.
    bool waitGone(const std::string& namePattern, std::chrono::milliseconds timeout);
    // Program output and display log, for failure messages.
    std::string diagnostics() const;

    std::unique_ptr<XDisplay> display_;
    std::unique_ptr<Desktop> desktop_;
    // Windows of the program that stay on the screen beside the main window
    // (the icon embedded in a tray); menus and dialogs are the others.
    std::vector<Desktop::WindowId> standingWindows_;

    // The window manager's frame around a window: left, right, top, bottom.
    std::optional<std::array<int, 4>> frameExtents(const Desktop::WindowId& window) const;

private:
    TempDir state_;
    TempDir scratch_;
    std::unique_ptr<ZumProgram> zum_;
};
