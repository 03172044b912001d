#include "TrayHost.h"

#include <QColor>
#include <QImage>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "Poll.h"
#include "XDisplay.h"
#include "tests/support/Files.h"

using namespace std::chrono_literals;

XEmbedTray::XEmbedTray(const XDisplay& display)
{
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width",
                                 "100", "--heighttype", "pixel", "--height", "24", "--SetDockType", "true"},
        display.environment(), (display.dir().path() / "display.log").string());
    // The panel maps its window once it has taken the tray's selection.
    const bool up = waitUntil(
        10s,
        [&] {
            auto r = runCommand({"xdotool", "search", "--onlyvisible", "--class", "^trayer$"}, display.environment());
            return r.exitCode == 0 && !r.out.empty();
        },
        50ms);
    if (!up)
        throw std::runtime_error("trayer did not show its panel: " + display.logTail());
}

XEmbedTray::~XEmbedTray()
{
    stop();
}

void XEmbedTray::stop()
{
    if (process_)
        process_->stop();
    process_.reset();
}

SniHost::SniHost(const XDisplay& display)
    : env_(display.environment()), logPath_((display.dir().path() / "sni.log").string())
{
    // Debian's python3 with its dbus module, whatever python is first on
    // the PATH.
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"/usr/bin/python3", "-u", std::string(ZUM_E2E_SOURCE_DIR) + "/sni_watcher.py"}, env_,
        logPath_);
    if (!waitUntil(
            10s, [&] { return log().find("ready\n") != std::string::npos; }, 50ms))
        throw std::runtime_error("the StatusNotifierItem watcher did not start: " + log());
}

SniHost::~SniHost()
{
    stop();
}

void SniHost::stop()
{
    if (process_)
        process_->stop();
    process_.reset();
}

std::string SniHost::log() const
{
    return ReadBytesIfAny(logPath_).value_or("");
}

int SniHost::registrations() const
{
    std::istringstream in(log());
    int count = 0;
    for (std::string line; std::getline(in, line);)
        count += line.rfind("registered ", 0) == 0;
    return count;
}

std::optional<std::string> SniHost::waitForItem(std::chrono::milliseconds timeout) const
{
    std::optional<std::string> item;
    waitUntil(
        timeout,
        [&] {
            std::istringstream in(log());
            for (std::string line; std::getline(in, line);) {
                if (line.rfind("registered ", 0) == 0) {
                    std::istringstream words(line.substr(11));
                    std::string name;
                    words >> name;
                    item = name;
                }
            }
            return item.has_value();
        },
        50ms);
    return item;
}

bool SniHost::call(const std::string& item, const std::string& method, int x, int y) const
{
    auto r =
        runCommand({"dbus-send", "--session", "--print-reply", "--dest=" + item, "/StatusNotifierItem",
                    "org.kde.StatusNotifierItem." + method, "int32:" + std::to_string(x), "int32:" + std::to_string(y)},
                   env_);
    return r.exitCode == 0;
}

std::optional<std::string> SniHost::toolTip(const std::string& item) const
{
    auto r = runCommand({"dbus-send", "--session", "--print-reply", "--dest=" + item, "/StatusNotifierItem",
                         "org.freedesktop.DBus.Properties.Get", "string:org.kde.StatusNotifierItem", "string:ToolTip"},
                        env_);
    if (r.exitCode != 0)
        return std::nullopt;
    // The value is (icon name, icon pixmaps, title, text): the title, where
    // the tip's text stands, is the second string of the reply.
    std::vector<std::string> strings;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
        const auto at = line.find("string \"");
        if (at == std::string::npos)
            continue;
        const auto start = at + 8;
        const auto end = line.rfind('"');
        strings.push_back(end > start ? line.substr(start, end - start) : std::string());
    }
    if (strings.size() < 2)
        return std::nullopt;
    return strings[1];
}

namespace {

// One panel at the top left (p=6), 32 pixels high, holding only the status
// tray; without a configuration the panel stops at a first-run question.
constexpr const char* kPanelConfiguration = R"(<?xml version="1.0" encoding="UTF-8"?>
<channel name="xfce4-panel" version="1.0">
  <property name="configver" type="int" value="2"/>
  <property name="panels" type="array">
    <value type="int" value="1"/>
    <property name="panel-1" type="empty">
      <property name="position" type="string" value="p=6;x=0;y=0"/>
      <property name="position-locked" type="bool" value="true"/>
      <property name="size" type="uint" value="32"/>
      <property name="plugin-ids" type="array">
        <value type="int" value="1"/>
      </property>
    </property>
  </property>
  <property name="plugins" type="empty">
    <property name="plugin-1" type="string" value="systray"/>
  </property>
</channel>
)";

bool BusNameOwned(const EnvOverrides& env, const std::string& name)
{
    auto r = runCommand({"dbus-send", "--session", "--print-reply", "--dest=org.freedesktop.DBus", "/",
                         "org.freedesktop.DBus.NameHasOwner", "string:" + name},
                        env);
    return r.exitCode == 0 && r.out.find("boolean true") != std::string::npos;
}

}  // namespace

XfcePanel::XfcePanel(const XDisplay& display) : display_(display), desktop_(display)
{
    // The settings daemon the bus starts for the panel reads the panel's
    // configuration from the display's XDG_CONFIG_HOME.
    EnvOverrides env = display.environment();
    const std::filesystem::path config = *env.at("XDG_CONFIG_HOME");
    const std::filesystem::path channels = config / "xfce4" / "xfconf" / "xfce-perchannel-xml";
    std::filesystem::create_directories(channels);
    std::ofstream(channels / "xfce4-panel.xml") << kPanelConfiguration;
    const std::filesystem::path home = display.dir().path() / "panel-home";
    std::filesystem::create_directories(home);
    env["HOME"] = home.string();
    process_ = std::make_unique<ChildProcess>(std::vector<std::string>{"xfce4-panel", "--disable-wm-check"}, env,
                                              (display.dir().path() / "panel.log").string());
    // Items look for a host when they first show: the watcher must be there
    // and the tray plugin's window on the screen.
    const bool up = waitUntil(
        20s, [&] { return BusNameOwned(env, "org.kde.StatusNotifierWatcher") && !pluginWindows().empty(); }, 100ms);
    if (!up)
        throw std::runtime_error("xfce4-panel did not start its status tray: " +
                                 ReadBytesIfAny(display.dir().path() / "panel.log").value_or(""));
}

XfcePanel::~XfcePanel()
{
    if (process_)
        process_->stop();
}

std::vector<Desktop::WindowId> XfcePanel::pluginWindows() const
{
    // The tray runs as an external plugin, in a wrapper process of its own.
    auto r = runCommand({"xdotool", "search", "--onlyvisible", "--class", "^wrapper-2\\.0$"}, display_.environment());
    std::vector<Desktop::WindowId> found;
    std::istringstream in(r.out);
    for (std::string id; std::getline(in, id);)
        if (!id.empty())
            found.push_back(id);
    return found;
}

std::optional<QPoint> XfcePanel::waitForIcon(std::chrono::milliseconds timeout) const
{
    // The tray's grey is all there is before an icon is drawn: the icon is
    // the box of pixels unlike the tray's corner, some of them in colour
    // (the program's icon is no grey).
    std::optional<QPoint> centre;
    waitUntil(
        timeout,
        [&] {
            for (const Desktop::WindowId& id : pluginWindows()) {
                const auto g = desktop_.geometry(id);
                if (!g || g->height() > 40)
                    continue;
                const QImage shot = desktop_.windowShot(id);
                if (shot.isNull())
                    continue;
                const QRgb grey = shot.pixel(0, 0);
                QRect box;
                int coloured = 0;
                for (int y = 0; y < shot.height(); ++y)
                    for (int x = 0; x < shot.width(); ++x) {
                        const QRgb p = shot.pixel(x, y);
                        if (std::abs(qGray(p) - qGray(grey)) > 40 || QColor(p).hsvSaturation() > 128)
                            box |= QRect(x, y, 1, 1);
                        coloured += QColor(p).hsvSaturation() > 128;
                    }
                if (box.width() >= 8 && box.height() >= 8 && coloured >= 4)
                    centre = g->topLeft() + box.center();
            }
            return centre.has_value();
        },
        100ms);
    return centre;
}

std::optional<Desktop::WindowId> XfcePanel::waitForMenu(std::chrono::milliseconds timeout) const
{
    std::optional<Desktop::WindowId> menu;
    waitUntil(
        timeout,
        [&] {
            for (const Desktop::WindowId& id : pluginWindows()) {
                auto g = desktop_.geometry(id);
                if (g && g->width() > 48 && g->height() > 40)
                    menu = id;
            }
            return menu.has_value();
        },
        50ms);
    return menu;
}

bool XfcePanel::menuGone(std::chrono::milliseconds timeout) const
{
    return waitUntil(
        timeout,
        [&] {
            for (const Desktop::WindowId& id : pluginWindows()) {
                auto g = desktop_.geometry(id);
                if (g && g->width() > 48 && g->height() > 40)
                    return false;
            }
            return true;
        },
        50ms);
}
