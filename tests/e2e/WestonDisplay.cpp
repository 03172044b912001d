#include "WestonDisplay.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "Poll.h"
#include "XDisplay.h"

namespace {

const char kSocket[] = "wayland-zum";

std::string logPath(const TempDir& dir)
{
    return (dir.path() / "weston.log").string();
}

}  // namespace

WestonDisplay::WestonDisplay(Options options)
{
    const auto runtime = dir_.path() / "runtime";
    std::filesystem::create_directories(runtime);
    std::filesystem::permissions(runtime, std::filesystem::perms::owner_all, std::filesystem::perm_options::replace);
    std::filesystem::create_directories(dir_.path() / "shots");

    EnvOverrides env{{"XDG_RUNTIME_DIR", runtime.string()},
                     {"WAYLAND_DISPLAY", std::nullopt},
                     {"DISPLAY", std::nullopt},
                     {"XDG_CONFIG_HOME", (dir_.path() / "config").string()}};
    std::string backend = "headless-backend.so";
    if (options.onX) {
        x_ = std::make_unique<XDisplay>(XDisplay::Options{.sessionBus = false});
        env["DISPLAY"] = x_->name();
        backend = "x11-backend.so";
    }
    weston_ = std::make_unique<ChildProcess>(
        std::vector<std::string>{"weston", "--backend=" + backend, "--use-pixman", std::string("--socket=") + kSocket,
                                 "--width=" + std::to_string(kWidth), "--height=" + std::to_string(kHeight),
                                 "--idle-time=0", "--debug"},
        env, logPath(dir_));
    // Ready once the shell has drawn its panel and its background: a shot
    // shows the panel, and the desktop below it stays as the shot before.
    QImage last;
    const bool ready = waitUntil(
        std::chrono::seconds(30),
        [&] {
            if (!std::filesystem::exists(runtime / kSocket))
                return false;
            QImage shot = screenshot();
            if (shot.isNull() || shot.pixel(kWidth / 2, kPanelHeight + 10) == shot.pixel(kWidth / 2, 5))
                return false;
            const QRect desktop(0, kPanelHeight, kWidth, kHeight - kPanelHeight);
            const bool settled = !last.isNull() && shot.copy(desktop) == last.copy(desktop);
            last = std::move(shot);
            return settled;
        },
        std::chrono::milliseconds(200));
    if (!ready)
        throw std::runtime_error("weston did not come up: " + logTail());
}

WestonDisplay::~WestonDisplay()
{
    weston_.reset();
    x_.reset();
}

EnvOverrides WestonDisplay::environment() const
{
    return {
        {"XDG_RUNTIME_DIR", (dir_.path() / "runtime").string()},
        {"WAYLAND_DISPLAY", kSocket},
        {"DISPLAY", std::nullopt},
        {"XAUTHORITY", std::nullopt},
        {"QT_QPA_PLATFORM", "wayland"},
        {"XDG_CONFIG_HOME", (dir_.path() / "config").string()},
        {"XDG_CONFIG_DIRS", (dir_.path() / "xdg").string()},
        {"DBUS_SESSION_BUS_ADDRESS", std::nullopt},
    };
}

std::string WestonDisplay::logTail() const
{
    std::ifstream in(logPath(dir_));
    std::stringstream s;
    s << in.rdbuf();
    std::string all = s.str();
    return all.size() > 4000 ? all.substr(all.size() - 4000) : all;
}

QImage WestonDisplay::screenshot() const
{
    // The shooter writes a file named after the time into its working
    // directory: it runs in a directory of its own, emptied after each shot.
    const auto shots = dir_.path() / "shots";
    const CommandResult r = runCommand({"sh", "-c", "cd \"$1\" && exec weston-screenshooter", "sh", shots.string()},
                                       environment(), std::chrono::seconds(20));
    QImage image;
    for (const auto& entry : std::filesystem::directory_iterator(shots)) {
        if (r.exitCode == 0 && image.isNull())
            image.load(QString::fromStdString(entry.path().string()));
        std::filesystem::remove(entry.path());
    }
    return image.convertToFormat(QImage::Format_RGB32);
}

void WestonDisplay::xdotool(const std::vector<std::string>& arguments) const
{
    if (!x_)
        throw std::logic_error("a headless weston has no pointer");
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    if (runCommand(argv, x_->environment()).exitCode != 0)
        throw std::runtime_error("xdotool failed");
}

void WestonDisplay::pointerTo(QPoint at)
{
    if (!pointerPinned_) {
        xdotool({"mousemove", std::to_string(kWidth - 1), std::to_string(kHeight - 1)});
        xdotool({"mousemove", "0", "0"});
        pointerPinned_ = true;
    }
    xdotool({"mousemove", std::to_string(at.x()), std::to_string(at.y())});
}

void WestonDisplay::pointerButton(bool down) const
{
    xdotool({down ? "mousedown" : "mouseup", "1"});
}
