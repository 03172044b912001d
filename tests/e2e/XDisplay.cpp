#include "XDisplay.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <stdexcept>
#include <thread>
#include <unistd.h>

#include "Poll.h"
#include "tests/support/Files.h"

namespace {

std::string logPath(const TempDir& dir)
{
    return (dir.path() / "display.log").string();
}

}  // namespace

XDisplay::XDisplay(Options options)
{
    std::filesystem::create_directories(dir_.path() / "config");
    std::filesystem::create_directories(dir_.path() / "xdg" / "autostart");
    std::filesystem::create_directories(dir_.path() / "runtime");
    std::filesystem::permissions(dir_.path() / "runtime", std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);

    // The server writes its display number to this pipe once it accepts clients.
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe");
    try {
        server_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                                     std::to_string(kWidth) + "x" + std::to_string(kHeight) + "x" +
                                         std::to_string(options.depth),
                                     "-nolisten", "tcp", "-noreset"},
            EnvOverrides{}, logPath(dir_), fds[1]);
    } catch (...) {
        close(fds[0]);
        close(fds[1]);
        throw;
    }
    close(fds[1]);
    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (number.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) > 0) {
            char buf[32];
            ssize_t n = read(fds[0], buf, sizeof buf);
            if (n <= 0)
                break;
            number.append(buf, static_cast<size_t>(n));
        }
    }
    close(fds[0]);
    if (number.find('\n') == std::string::npos)
        throw std::runtime_error("Xvfb did not report a display: " + logTail());
    number.resize(number.find('\n'));
    name_ = ":";
    name_ += number;

    if (options.sessionBus) {
        auto socket = dir_.path() / "bus";
        busAddress_ = "unix:path=" + socket.string();
        bus_ = std::make_unique<ChildProcess>(
            std::vector<std::string>{"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=" + busAddress_},
            environment(), logPath(dir_));
        if (!waitUntil(std::chrono::seconds(10), [&] { return std::filesystem::exists(socket); }))
            throw std::runtime_error("session bus did not start: " + logTail());
    }
    if (options.windowManager) {
        windowManager_ =
            std::make_unique<ChildProcess>(std::vector<std::string>{"openbox"}, environment(), logPath(dir_));
        // A manager that is ready has announced itself on the root window.
        if (!waitUntil(std::chrono::seconds(10), [&] {
                auto r = runCommand({"xprop", "-root", "_NET_SUPPORTING_WM_CHECK"}, environment());
                return r.exitCode == 0 && r.out.find("window id") != std::string::npos;
            }))
            throw std::runtime_error("window manager did not start: " + logTail());
        waitUntilTheManagerMapsWindows();
    }
}

void XDisplay::waitUntilTheManagerMapsWindows() const
{
    // The manager announces itself before its event loop runs, and a window
    // asked to be mapped in that time may never be mapped at all. A probe
    // window that shows proves the loop is handling map requests; a probe
    // that does not is thrown away and another one tried.
    const auto env = environment();
    auto probeShown = [&] {
        auto r = runCommand({"xdotool", "search", "--onlyvisible", "--classname", "^zumwmprobe$"}, env);
        return r.exitCode == 0 && !r.out.empty();
    };
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        ChildProcess probe({"xmessage", "-name", "zumwmprobe", "probe"}, env, logPath(dir_));
        const bool shown = waitUntil(std::chrono::seconds(2), probeShown, std::chrono::milliseconds(50));
        probe.stop();
        if (shown)
            break;
        if (std::chrono::steady_clock::now() >= deadline)
            throw std::runtime_error("window manager maps no windows: " + logTail());
    }
    // The probe's window goes with its connection; tests that count the
    // display's windows must not find it.
    const bool gone = waitUntil(
        std::chrono::seconds(10),
        [&] {
            auto r = runCommand({"xdotool", "search", "--classname", "^zumwmprobe$"}, env);
            return r.exitCode != 0 || r.out.empty();
        },
        std::chrono::milliseconds(20));
    if (!gone)
        throw std::runtime_error("the window manager's probe window stayed: " + logTail());
}

XDisplay::~XDisplay()
{
    windowManager_.reset();
    bus_.reset();
    server_.reset();
}

EnvOverrides XDisplay::environment() const
{
    EnvOverrides env{
        {"DISPLAY", name_},
        {"XAUTHORITY", std::nullopt},
        {"WAYLAND_DISPLAY", std::nullopt},
        {"QT_QPA_PLATFORM", "xcb"},
        {"XDG_CONFIG_HOME", (dir_.path() / "config").string()},
        {"XDG_CONFIG_DIRS", (dir_.path() / "xdg").string()},
        {"XDG_RUNTIME_DIR", (dir_.path() / "runtime").string()},
        {"DBUS_SESSION_BUS_ADDRESS", busAddress_.empty() ? std::optional<std::string>() : busAddress_},
    };
    return env;
}

std::string XDisplay::logTail() const
{
    const std::string all = ReadBytesIfAny(logPath(dir_)).value_or("");
    return all.size() > 4000 ? all.substr(all.size() - 4000) : all;
}
