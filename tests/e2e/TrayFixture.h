#pragma once

// What the tray tests share: the program under test on a private display,
// and the looks and clicks a person makes at its windows, its tray icon, the
// icon's tip and its menus.

#include <QRect>
#include <chrono>
#include <ctime>
#include <fstream>
#include <sstream>
#include <thread>

#include "ClockFace.h"
#include "Layout.h"
#include "Poll.h"
#include "TrayHost.h"
#include "ZumFixture.h"
#include "tests/support/Files.h"

// The tray tests' waits read best in literals; this header is theirs alone.
using namespace std::chrono_literals;

class TrayFixture : public ZumFixture {
protected:
    CommandResult x(const std::vector<std::string>& argv) { return runCommand(argv, display_->environment()); }

    bool viewable(const Desktop::WindowId& window)
    {
        return x({"xwininfo", "-id", window}).out.find("IsViewable") != std::string::npos;
    }
    bool mainVisible() { return !zum().window().empty() && viewable(zum().window()); }
    bool waitMainVisible(bool visible, std::chrono::milliseconds timeout = 5s)
    {
        return waitUntil(
            timeout, [&] { return mainVisible() == visible; }, 50ms);
    }

    // The window manager's stack of ordinary client windows, bottom to top;
    // panels keep a layer of their own above them.
    std::vector<std::string> stacking()
    {
        std::vector<std::string> ids;
        const std::string out = x({"xprop", "-root", "_NET_CLIENT_LIST_STACKING"}).out;
        for (std::size_t at = out.find("0x"); at != std::string::npos; at = out.find("0x", at + 2)) {
            const std::string id = std::to_string(std::stoul(out.substr(at), nullptr, 16));
            if (x({"xprop", "-id", id, "_NET_WM_WINDOW_TYPE"}).out.find("_NET_WM_WINDOW_TYPE_DOCK") ==
                std::string::npos)
                ids.push_back(id);
        }
        return ids;
    }
    // Iconifies the main window the way the window manager does it for its
    // minimise button, and waits until it has gone from the screen.
    void minimise()
    {
        x({"xdotool", "windowminimize", zum().window()});
        if (!waitMainVisible(false))
            throw std::runtime_error("the window manager did not minimise the window");
    }
    // Visible, no longer minimised, and on top of every other window.
    bool waitRestoredInFront()
    {
        return waitMainVisible(true) && waitUntil(
                                            5s,
                                            [&] {
                                                const auto stack = stacking();
                                                return !stack.empty() && stack.back() == zum().window();
                                            },
                                            50ms);
    }

    struct Shown {
        Desktop::WindowId id;
        QRect rect;
    };
    // The program's visible windows other than the main window.
    std::vector<Shown> others()
    {
        std::vector<Shown> found;
        std::istringstream in(x({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(zum().pid())}).out);
        for (std::string id; std::getline(in, id);) {
            if (id.empty() || id == zum().window())
                continue;
            if (auto g = desktop_->geometry(id))
                found.push_back({id, *g});
        }
        return found;
    }
    // The icon embedded in the tray: a small window of the program lying in
    // the panel at the bottom right, where it stays put between two looks
    // (before it is embedded it maps elsewhere for a moment).
    std::optional<Shown> waitIcon(std::chrono::milliseconds timeout = 10s)
    {
        std::optional<Shown> icon;
        std::optional<QRect> last;
        const QRect panel(XDisplay::kWidth - 100, XDisplay::kHeight - 24, 100, 24);
        waitUntil(
            timeout,
            [&] {
                std::optional<Shown> now;
                for (const Shown& w : others())
                    if (w.rect.width() <= 48 && w.rect.height() <= 48 && panel.contains(w.rect))
                        now = w;
                const bool settled = now && last && *last == now->rect;
                last = now ? std::optional<QRect>(now->rect) : std::nullopt;
                if (settled)
                    icon = now;
                return settled;
            },
            100ms);
        if (icon)
            standingWindows_.push_back(icon->id);
        return icon;
    }
    bool iconGone(std::chrono::milliseconds timeout = 5s)
    {
        return waitUntil(
            timeout,
            [&] {
                for (const Shown& w : others())
                    if (w.rect.width() <= 48 && w.rect.height() <= 48)
                        return false;
                return true;
            },
            50ms);
    }
    // A pop-up menu of the program: wider than the icon, lower than the window.
    std::optional<Shown> waitMenu(std::chrono::milliseconds timeout = 5s)
    {
        std::optional<Shown> menu;
        waitUntil(
            timeout,
            [&] {
                for (const Shown& w : others())
                    if (w.rect.width() > 48 && w.rect.height() > 30 && w.rect.height() < 150)
                        menu = w;
                return menu.has_value();
            },
            50ms);
        return menu;
    }
    QPoint pointer()
    {
        auto r = x({"xdotool", "getmouselocation", "--shell"});
        int px = -1, py = -1;
        std::istringstream in(r.out);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("X=", 0) == 0)
                px = std::stoi(line.substr(2));
            if (line.rfind("Y=", 0) == 0)
                py = std::stoi(line.substr(2));
        }
        return {px, py};
    }
    void clickIcon(const Shown& icon, int button, int times = 1)
    {
        x({"xdotool", "mousemove", "--window", icon.id, std::to_string(icon.rect.width() / 2),
           std::to_string(icon.rect.height() / 2), "click", "--repeat", std::to_string(times), "--delay", "80",
           std::to_string(button)});
    }
    // Clicks the n-th item (from 0) of a menu; every item is 22 pixels high.
    void clickItem(const Shown& menu, int index) { desktop_->click(menu.id, 30, 11 + 22 * index); }
    // "-": waits until the window has gone and the icon is in the tray.
    Shown hideIntoTray()
    {
        press(layout::kTrayButton);
        if (!waitMainVisible(false))
            throw std::runtime_error("the window did not hide into the tray");
        auto icon = waitIcon();
        if (!icon)
            throw std::runtime_error("no icon in the tray");
        return *icon;
    }
    // Hovers the icon until its tip shows; returns the tip's window.
    std::optional<Shown> hoverTip(const Shown& icon)
    {
        x({"xdotool", "mousemove", "0", "0"});
        waitUntil(
            3s, [&] { return others().size() == 1; }, 50ms);  // an earlier tip has gone
        x({"xdotool", "mousemove", "--window", icon.id, std::to_string(icon.rect.width() / 2),
           std::to_string(icon.rect.height() / 2)});
        // The tip shows once the pointer has rested on the icon a while.
        std::optional<Shown> tip;
        for (int attempt = 0; attempt < 4 && !tip; ++attempt) {
            x({"xdotool", "mousemove_relative", "--", attempt % 2 == 0 ? "1" : "-1", "0"});
            waitUntil(
                2s,
                [&] {
                    for (const Shown& w : others())
                        if (w.id != icon.id && w.rect.height() < 40)
                            tip = w;
                    return tip.has_value();
                },
                50ms);
        }
        return tip;
    }
};
