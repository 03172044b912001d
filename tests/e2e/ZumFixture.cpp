#include "ZumFixture.h"

#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "Layout.h"
#include "Pixels.h"
#include "Poll.h"

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
    return zum_->exitCode(10s).value_or(-2);
}

std::optional<std::string> ZumFixture::readAlarmFile() const
{
    std::ifstream in(alarmFile(), std::ios::binary);
    if (!in)
        return std::nullopt;
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
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
    if (r.exitCode != 0 || std::sscanf(r.out.c_str(), "_NET_FRAME_EXTENTS(CARDINAL) = %d, %d, %d, %d", &e[0], &e[1],
                                       &e[2], &e[3]) != 4)
        return std::nullopt;
    return e;
}

QImage ZumFixture::shot()
{
    runCommand({"xdotool", "mousemove", "0", "0"}, display_->environment());
    std::this_thread::sleep_for(50ms);
    return desktop_->windowShot(zum_->window());
}

void ZumFixture::press(const QRect& control)
{
    desktop_->clickCentre(zum_->window(), control);
}

void ZumFixture::menu(const std::string& key)
{
    // The menu is a window of its own, so it shows as a second visible
    // window of the program.
    auto windows = [this] { return desktop_->visibleWindowsOf(zum_->pid()); };
    // A dialog closed just before may still be on its way off the screen;
    // counting it would hide the menu's window.
    waitUntil(5s, [&] { return windows() <= 1; });
    const auto before = windows();
    press(layout::kMenuButton);
    if (!waitUntil(5s, [&] { return windows() > before; }))
        throw std::runtime_error("the main menu did not open");
    desktop_->key(key);
}

void ZumFixture::setTime(const std::string& text, bool confirm)
{
    menu("s");
    auto dialog = desktop_->findVisibleByName("^Set Time$", 10s);
    if (!dialog)
        throw std::runtime_error("the Set Time dialog did not open");
    desktop_->click(*dialog, layout::kTimeEdit.center().x(), layout::kTimeEdit.center().y());
    desktop_->key("ctrl+a");
    if (text.empty())
        desktop_->key("BackSpace");
    else
        desktop_->type(text);
    desktop_->clickCentre(*dialog, confirm ? layout::kOkButton : layout::kCancelButton);
    if (!waitGone("^Set Time$", 5s))
        throw std::runtime_error("the Set Time dialog did not close");
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
    desktop_->focus(*dialog);
    std::this_thread::sleep_for(300ms);
    desktop_->type(path);
    // Typing a path opens the name box's completion list as the directory
    // is read. A Return that reaches the list only closes it, as it would
    // for a person, who then presses Return again; one who sees the name
    // box garbled types the name anew.
    for (int attempt = 0; attempt < 4; ++attempt) {
        std::this_thread::sleep_for(300ms);
        desktop_->key("Return");
        if (waitGone("^Open", 2s))
            return;
        std::cerr << "sound dialog still open after Return " << attempt + 1 << "\n";
        desktop_->focus(*dialog);
        if (attempt % 2 == 1) {
            desktop_->key("ctrl+a");
            desktop_->type(path);
        }
    }
    throw std::runtime_error("the sound file dialog did not close");
}

bool ZumFixture::waitGone(const std::string& namePattern, std::chrono::milliseconds timeout)
{
    return waitUntil(timeout, [&] { return !desktop_->anyVisibleNamed(namePattern); }, 50ms);
}

std::string ZumFixture::diagnostics() const
{
    std::string out = "---- display log\n" + display_->logTail();
    if (zum_)
        out += "\n---- program output\n" + zum_->output();
    return out;
}
