#include "Desktop.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <stdexcept>

#include "Poll.h"
#include "XDisplay.h"

namespace {

std::optional<std::string> firstLine(const std::string& text)
{
    std::istringstream in(text);
    std::string line;
    if (std::getline(in, line) && !line.empty())
        return line;
    return std::nullopt;
}

}  // namespace

Desktop::Desktop(const XDisplay& display) : env_(display.environment()) {}

CommandResult Desktop::run(const std::vector<std::string>& argv) const
{
    return runCommand(argv, env_);
}

void Desktop::mustRun(const std::vector<std::string>& argv) const
{
    CommandResult r = run(argv);
    if (r.exitCode != 0) {
        std::string cmd;
        for (const auto& a : argv)
            cmd += a + " ";
        throw std::runtime_error("command failed: " + cmd + ": " + r.err);
    }
}

std::optional<Desktop::WindowId> Desktop::findVisibleByPid(pid_t pid, std::chrono::milliseconds timeout) const
{
    std::optional<WindowId> found;
    waitUntil(
        timeout,
        [&] {
            found = firstLine(run({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}).out);
            return found.has_value();
        },
        std::chrono::milliseconds(50));
    return found;
}

std::optional<Desktop::WindowId> Desktop::findVisibleByName(const std::string& pattern,
                                                            std::chrono::milliseconds timeout) const
{
    std::optional<WindowId> found;
    waitUntil(
        timeout,
        [&] {
            found = firstLine(run({"xdotool", "search", "--onlyvisible", "--name", pattern}).out);
            return found.has_value();
        },
        std::chrono::milliseconds(50));
    return found;
}

bool Desktop::anyVisibleNamed(const std::string& pattern) const
{
    return firstLine(run({"xdotool", "search", "--onlyvisible", "--name", pattern}).out).has_value();
}

int Desktop::visibleWindowsOf(pid_t pid) const
{
    auto out = run({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}).out;
    return static_cast<int>(std::count(out.begin(), out.end(), '\n'));
}

std::vector<Desktop::WindowId> Desktop::visibleWindowIdsOf(pid_t pid) const
{
    std::vector<WindowId> ids;
    std::istringstream in(run({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(pid)}).out);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty())
            ids.push_back(line);
    return ids;
}

std::optional<Desktop::WindowId> Desktop::focusedWindow() const
{
    CommandResult r = run({"xdotool", "getwindowfocus"});
    if (r.exitCode != 0)
        return std::nullopt;
    return firstLine(r.out);
}

QPoint Desktop::pointer() const
{
    int x = -1, y = -1;
    std::sscanf(run({"xdotool", "getmouselocation"}).out.c_str(), "x:%d y:%d", &x, &y);
    return {x, y};
}

std::optional<QRect> Desktop::geometry(const WindowId& window) const
{
    // xwininfo gives the client's absolute place also inside a window
    // manager's frame, where xdotool's own report counts the frame twice.
    CommandResult r = run({"xwininfo", "-id", window});
    if (r.exitCode != 0)
        return std::nullopt;
    std::optional<int> x, y, w, h;
    std::istringstream in(r.out);
    std::string line;
    auto value = [&line](const char* key) -> std::optional<int> {
        auto at = line.find(key);
        if (at == std::string::npos)
            return std::nullopt;
        return std::stoi(line.substr(at + std::string(key).size()));
    };
    while (std::getline(in, line)) {
        if (auto v = value("Absolute upper-left X:"))
            x = v;
        else if (auto v = value("Absolute upper-left Y:"))
            y = v;
        else if (line.find("Width:") != std::string::npos)
            w = value("Width:");
        else if (line.find("Height:") != std::string::npos)
            h = value("Height:");
    }
    if (!x || !y || !w || !h)
        return std::nullopt;
    return QRect(*x, *y, *w, *h);
}

void Desktop::moveTo(const WindowId& window, int x, int y) const
{
    mustRun({"xdotool", "mousemove", "--window", window, std::to_string(x), std::to_string(y)});
}

void Desktop::click(const WindowId& window, int x, int y) const
{
    moveTo(window, x, y);
    mustRun({"xdotool", "click", "1"});
}

void Desktop::clickCentre(const WindowId& window, const QRect& control) const
{
    click(window, control.x() + control.width() / 2, control.y() + control.height() / 2);
}

void Desktop::key(const std::string& keysym) const
{
    mustRun({"xdotool", "key", keysym});
}

void Desktop::type(const std::string& text) const
{
    mustRun({"xdotool", "type", "--delay", "20", text});
}

void Desktop::focus(const WindowId& window) const
{
    mustRun({"xdotool", "windowfocus", window});
}

QImage Desktop::screenshot() const
{
    return capture({});
}

QImage Desktop::capture(const QRect& area) const
{
    std::vector<std::string> argv{"import", "-window", "root"};
    if (!area.isNull()) {
        // Only the area is read and encoded: far less work than the screen.
        argv.insert(argv.end(), {"-crop",
                                 std::to_string(area.width()) + "x" + std::to_string(area.height()) + "+" +
                                     std::to_string(area.x()) + "+" + std::to_string(area.y()),
                                 "+repage"});
    }
    argv.push_back("png:-");
    CommandResult r = run(argv);
    if (r.exitCode != 0)
        throw std::runtime_error("screenshot failed: " + r.err);
    QImage image =
        QImage::fromData(reinterpret_cast<const uchar*>(r.out.data()), static_cast<int>(r.out.size()), "PNG");
    if (image.isNull())
        throw std::runtime_error("screenshot could not be decoded");
    return image.convertToFormat(QImage::Format_RGB32);
}

QImage Desktop::windowShot(const WindowId& window) const
{
    auto g = geometry(window);
    if (!g)
        return {};
    // A window partly off the screen is cut the same way as before: the
    // parts outside stay as they are in an image of the window's size.
    const QRect onScreen = g->intersected(QRect(0, 0, XDisplay::kWidth, XDisplay::kHeight));
    if (onScreen.isEmpty())
        return {};
    if (onScreen == *g)
        return capture(*g);
    return screenshot().copy(*g);
}

QImage Desktop::settledShot(const WindowId& window, std::chrono::milliseconds timeout, const QRect& ignore) const
{
    QImage last = windowShot(window);
    QImage settled;
    waitUntil(
        timeout,
        [&] {
            QImage next = windowShot(window);
            bool same = !next.isNull() && next.size() == last.size();
            if (same && !ignore.isNull()) {
                QImage a = last, b = next;
                for (QImage* image : {&a, &b})
                    for (int y = ignore.top(); y <= ignore.bottom() && y < image->height(); ++y)
                        for (int x = ignore.left(); x <= ignore.right() && x < image->width(); ++x)
                            image->setPixel(x, y, 0);
                same = a == b;
            } else if (same) {
                same = last == next;
            }
            last = next;
            if (same)
                settled = next;
            return same;
        },
        std::chrono::milliseconds(0));
    return settled;
}
