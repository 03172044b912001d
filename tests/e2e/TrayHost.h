#pragma once

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

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
