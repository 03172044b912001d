#include "ZumFixture.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "Layout.h"
#include "Pixels.h"
#include "Poll.h"
#include "TextWidth.h"
#include "tests/support/Files.h"

using namespace std::chrono_literals;

void ZumFixture::SetUp()
{
    display_ = std::make_unique<XDisplay>(displayOptions());
    desktop_ = std::make_unique<Desktop>(*display_);
}

void ZumFixture::TearDown()
{
    if (HasFailure())
        std::cerr << diagnostics() << "\n";
    zum_.reset();
    desktop_.reset();
    display_.reset();
}

ZumProgram& ZumFixture::start(ZumProgram::Options options)
{
    zum_.reset();
    zum_ = std::make_unique<ZumProgram>(*display_, state_.path(), std::move(options));
    return *zum_;
}

int ZumFixture::closeByButton()
{
    press(layout::kCloseButton);
    return zum_->exitCode(20s).value_or(-2);
}

std::optional<std::string> ZumFixture::readAlarmFile() const
{
    return ReadBytesIfAny(alarmFile());
}

std::string ZumFixture::alarmFileText(const std::string& alarmText, const std::string& soundPath)
{
    return alarmText + "\r\n" + soundPath + "\r\n";
}

void ZumFixture::writeAlarmFile(const std::string& alarmText, const std::string& soundPath) const
{
    std::ofstream out(alarmFile(), std::ios::binary | std::ios::trunc);
    out << alarmFileText(alarmText, soundPath);
}

std::filesystem::path ZumFixture::makeTone(double seconds) const
{
    auto path = scratch_.path() / "tone.wav";
    auto r = runCommand({"sox", "-n", "-r", "22050", "-c", "1", "-b", "16", path.string(), "synth",
                         std::to_string(seconds), "sine", "440", "vol", "0.5"},
                        {});
    if (r.exitCode != 0)
        throw std::runtime_error("sox failed: " + r.err);
    return path;
}

std::optional<std::array<int, 4>> ZumFixture::frameExtents(const Desktop::WindowId& window) const
{
    auto r = runCommand({"xprop", "-id", window, "_NET_FRAME_EXTENTS"}, display_->environment());
    std::array<int, 4> e{};
    if (r.exitCode != 0 ||
        std::sscanf(r.out.c_str(), "_NET_FRAME_EXTENTS(CARDINAL) = %d, %d, %d, %d", &e[0], &e[1], &e[2], &e[3]) != 4)
        return std::nullopt;
    return e;
}

QImage ZumFixture::shot()
{
    if (desktop_->pointer() != QPoint(0, 0)) {
        runCommand({"xdotool", "mousemove", "0", "0"}, display_->environment());
        // The button the pointer left redraws without its hover look; the
        // window has done so once it stops changing (the clock aside).
        QImage settled = desktop_->settledShot(zum_->window(), 2s, layout::kClockBand);
        if (!settled.isNull())
            return settled;
    }
    return desktop_->windowShot(zum_->window());
}

bool ZumFixture::lineShows(const QImage& window, const QRect& line, int pixelSize, bool bold, const std::string& text)
{
    const QRect ink = pixels::inkBox(window, line, pixels::white);
    if (text.empty())
        return ink.isNull();
    if (ink.isNull())
        return false;
    const int expected = inkWidth("Comic Neue", pixelSize, bold, QString::fromLocal8Bit(text));
    // A text wider than the line is cut at the line's end.
    if (expected >= line.width() - 4)
        return ink.width() >= line.width() - 12;
    return std::abs(ink.width() - expected) <= std::max(4, expected / 10);
}

void ZumFixture::press(const QRect& control)
{
    const int scale = zum_->scale();
    desktop_->clickCentre(zum_->window(), QRect(control.topLeft() * scale, control.size() * scale));
}

std::optional<Desktop::WindowId> ZumFixture::openMenu()
{
    // The menu is a window of its own, so it shows as a second visible
    // window of the program. A dialog closed just before may still be on its
    // way off the screen; counting it would hide the menu's window.
    auto others = [this] {
        auto ids = desktop_->visibleWindowIdsOf(zum_->pid());
        std::erase(ids, zum_->window());
        std::erase_if(ids, [this](const Desktop::WindowId& id) {
            return std::find(standingWindows_.begin(), standingWindows_.end(), id) != standingWindows_.end();
        });
        return ids;
    };
    if (!waitUntil(5s, [&] { return others().empty(); }))
        throw std::runtime_error("a window of the program other than the main window stayed on the screen");
    press(layout::kMenuButton);
    std::vector<Desktop::WindowId> menus;
    if (!waitUntil(5s, [&] { return !(menus = others()).empty(); }))
        throw std::runtime_error("the main menu did not open");
    // Mapped is not yet drawn: the items' captions show once it is.
    if (!waitUntil(5s, [&] {
            return pixels::count(desktop_->windowShot(menus[0]), QRect(0, 0, 400, 400), pixels::black) > 100;
        }))
        throw std::runtime_error("the main menu opened but its items were not drawn");
    return menus[0];
}

void ZumFixture::menu(const std::string& key, bool itemEnabled)
{
    const auto menuWindow = openMenu();
    desktop_->key(key);
    // An enabled item's key closes the menu. A disabled item's leaves it
    // open; Escape, taken after it, closes it.
    if (!itemEnabled)
        desktop_->key("Escape");
    if (!waitUntil(10s, [&] { return !isVisible(*menuWindow); }))
        throw std::runtime_error("the main menu did not close after the key " + key +
                                 (itemEnabled ? "" : " and Escape"));
}

bool ZumFixture::isVisible(const Desktop::WindowId& window) const
{
    auto ids = desktop_->visibleWindowIdsOf(zum_->pid());
    return std::find(ids.begin(), ids.end(), window) != ids.end();
}

Desktop::WindowId ZumFixture::openSetTime()
{
    menu("s");
    auto dialog = desktop_->findVisibleByName("^Set Time$", 10s);
    if (!dialog)
        throw std::runtime_error("the Set Time dialog did not open");
    // Drawn: the pre-filled time shows in black in the text box.
    if (!waitUntil(5s,
                   [&] { return pixels::count(desktop_->windowShot(*dialog), layout::kTimeEdit, pixels::black) > 50; }))
        throw std::runtime_error("the Set Time dialog opened but its time text was not drawn");
    return *dialog;
}

void ZumFixture::selectAllInTimeEdit(const Desktop::WindowId& dialog)
{
    // A click puts the caret into the box; select-all then highlights its
    // text, which shows that the box has the keyboard.
    desktop_->click(dialog, layout::kTimeEdit.center().x(), layout::kTimeEdit.center().y());
    auto highlighted = [&] {
        return pixels::count(desktop_->windowShot(dialog), layout::kTimeEdit, pixels::highlight) > 300;
    };
    for (int attempt = 0; attempt < 5; ++attempt) {
        desktop_->key("ctrl+a");
        if (waitUntil(1s, highlighted))
            return;
    }
    throw std::runtime_error("the Set Time text box did not take the keyboard (no selected text after ctrl+a)");
}

void ZumFixture::setTime(const std::string& text, bool confirm)
{
    const Desktop::WindowId dialog = openSetTime();
    selectAllInTimeEdit(dialog);
    if (text.empty())
        desktop_->key("BackSpace");
    else
        desktop_->type(text);
    // The typed text replaced the selection: no highlight, and ink exactly
    // when something was typed (more than the caret's few pixels).
    if (!waitUntil(5s, [&] {
            const QImage box = desktop_->windowShot(dialog);
            return pixels::count(box, layout::kTimeEdit, pixels::highlight) == 0 &&
                   (pixels::count(box, layout::kTimeEdit, pixels::black) > 40) == !text.empty();
        }))
        throw std::runtime_error("the Set Time text box did not show the typed text \"" + text + "\"");
    desktop_->clickCentre(dialog, confirm ? layout::kOkButton : layout::kCancelButton);
    if (!waitGone("^Set Time$", 5s))
        throw std::runtime_error("the Set Time dialog did not close");
    if (confirm && !waitUntil(5s, [&] { return lineShows(shot(), layout::kAlarmLine, 13, true, text); }))
        throw std::runtime_error("the alarm line did not show \"" + text + "\" after \"Ok\"");
}

void ZumFixture::selectSound(const std::string& path)
{
    menu("c");
    auto dialog = desktop_->findVisibleByName("^Open", 10s);
    if (!dialog)
        throw std::runtime_error("the sound file dialog did not open");
    auto g = desktop_->geometry(*dialog);
    // Keys go to the window under the pointer when no window manager decides
    // about focus; the file name box has the dialog's focus. The pointer
    // rests on the top row, clear of the completion list that opens below
    // the name box, where hovering would pick an entry.
    if (g)
        desktop_->moveTo(*dialog, g->width() / 2, 12);
    if (desktop_->settledShot(*dialog, 10s).isNull())
        throw std::runtime_error("the sound file dialog did not finish drawing itself");
    auto takeKeyboard = [&] {
        desktop_->focus(*dialog);
        if (!waitUntil(5s, [&] { return desktop_->focusedWindow() == dialog; }))
            throw std::runtime_error("the sound file dialog did not get the keyboard focus");
    };
    takeKeyboard();
    desktop_->type(path);
    // Typing a path opens the name box's completion list as the directory
    // is read. A Return that reaches the list only closes it, as it would
    // for a person, who then presses Return again; one who sees the name
    // box garbled types the name anew. Each Return comes once the dialog
    // has stopped changing.
    bool closed = false;
    for (int attempt = 0; attempt < 4 && !closed; ++attempt) {
        desktop_->settledShot(*dialog, 5s);
        desktop_->key("Return");
        closed = waitGone("^Open", 3s);
        if (closed)
            break;
        std::cerr << "sound dialog still open after Return " << attempt + 1 << "\n";
        takeKeyboard();
        if (attempt % 2 == 1) {
            desktop_->key("ctrl+a");
            desktop_->type(path);
        }
    }
    if (!closed)
        throw std::runtime_error("the sound file dialog did not close");
    if (!waitUntil(5s, [&] { return lineShows(shot(), layout::kSoundLine, 9, false, path); }))
        throw std::runtime_error("the sound line did not show the chosen path " + path);
}

bool ZumFixture::waitGone(const std::string& namePattern, std::chrono::milliseconds timeout)
{
    return waitUntil(
        timeout, [&] { return !desktop_->anyVisibleNamed(namePattern); }, 50ms);
}

std::string ZumFixture::diagnostics() const
{
    std::string out = "---- display log\n" + display_->logTail();
    if (zum_)
        out += "\n---- program output\n" + zum_->output();
    return out;
}
