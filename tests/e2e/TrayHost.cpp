#include "TrayHost.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "Poll.h"
#include "XDisplay.h"

using namespace std::chrono_literals;

namespace {

std::string ReadAll(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace

XEmbedTray::XEmbedTray(const XDisplay& display)
{
    process_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel", "--width",
                                 "100", "--heighttype", "pixel", "--height", "24", "--SetDockType", "true"},
        display.environment(), (display.dir().path() / "display.log").string());
    // The panel maps its window once it has taken the tray's selection.
    const bool up = waitUntil(10s, [&] {
        auto r = runCommand({"xdotool", "search", "--onlyvisible", "--class", "^trayer$"}, display.environment());
        return r.exitCode == 0 && !r.out.empty();
    }, 50ms);
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
    if (!waitUntil(10s, [&] { return log().find("ready\n") != std::string::npos; }, 50ms))
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
    return ReadAll(logPath_);
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
    waitUntil(timeout, [&] {
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
    }, 50ms);
    return item;
}

bool SniHost::call(const std::string& item, const std::string& method, int x, int y) const
{
    auto r = runCommand({"dbus-send", "--session", "--print-reply", "--dest=" + item, "/StatusNotifierItem",
                         "org.kde.StatusNotifierItem." + method, "int32:" + std::to_string(x),
                         "int32:" + std::to_string(y)},
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
