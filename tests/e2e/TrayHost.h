#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QPoint>

#include "ChildProcess.h"
#include "Desktop.h"

class XDisplay;

// An XEmbed tray (trayer) on a test display: a 100 x 24 panel at the
// bottom right of the screen. Stops with the object.
class XEmbedTray {
public:
    explicit XEmbedTray(const XDisplay& display);
    ~XEmbedTray();
    XEmbedTray(const XEmbedTray&) = delete;
    XEmbedTray& operator=(const XEmbedTray&) = delete;
    // Takes the tray away, as when a panel crashes or is closed.
    void stop();

private:
    std::unique_ptr<ChildProcess> process_;
};

// A StatusNotifierItem watcher and host (tests/e2e/sni_watcher.py) on the
// display's session bus. It must be up before the program first looks for a
// tray. Items are reached with dbus-send, as a panel would call them.
class SniHost {
public:
    explicit SniHost(const XDisplay& display);
    ~SniHost();
    SniHost(const SniHost&) = delete;
    SniHost& operator=(const SniHost&) = delete;
    void stop();

    // The bus name of the registered item, once one has registered.
    std::optional<std::string> waitForItem(std::chrono::milliseconds timeout) const;
    // How many items registered so far.
    int registrations() const;
    // Calls a method of org.kde.StatusNotifierItem with the pointer's place.
    bool call(const std::string& item, const std::string& method, int x, int y) const;
    // The text of the item's ToolTip property, nothing if it cannot be read.
    std::optional<std::string> toolTip(const std::string& item) const;

    std::string log() const;

private:
    EnvOverrides env_;
    std::string logPath_;
    std::unique_ptr<ChildProcess> process_;
};

// xfce4-panel with one status tray plugin, a StatusNotifierItem host that
// shows an item's exported menu on a right-click and never asks the item for
// one. One panel across the top left of the screen, the tray at its left
// end. Needs the display's session bus, and a window manager for its menus
// to take the keyboard. Stops with the object.
class XfcePanel {
public:
    explicit XfcePanel(const XDisplay& display);
    ~XfcePanel();
    XfcePanel(const XfcePanel&) = delete;
    XfcePanel& operator=(const XfcePanel&) = delete;

    // The middle of the first item's icon, once the panel draws one.
    std::optional<QPoint> waitForIcon(std::chrono::milliseconds timeout) const;
    // The panel's menu window of an item, once one shows.
    std::optional<Desktop::WindowId> waitForMenu(std::chrono::milliseconds timeout) const;
    bool menuGone(std::chrono::milliseconds timeout) const;

private:
    std::vector<Desktop::WindowId> pluginWindows() const;

    const XDisplay& display_;
    Desktop desktop_;
    std::unique_ptr<ChildProcess> process_;
};
