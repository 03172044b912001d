// Moving the borderless main window by dragging its skin, and its outline,
// under a bare X server and under a window manager.

#include <QColor>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "Layout.h"
#include "Pixels.h"
#include "Poll.h"
#include "ZumFixture.h"

using namespace std::chrono_literals;

namespace {

constexpr QRgb kRoot = 0xFFFF00FF;  // magenta: no part of the skin has it

// The drag frame: dots where x + y is even, alternately white and black.
bool isDot(int x, int y)
{
    return ((x + y) & 1) == 0;
}

QRgb dotColour(int x, int y)
{
    return (((x + y) >> 1) & 1) == 0 ? 0xFFFFFFFFu : 0xFF000000u;
}

// The share of the dot places along the four sides of the rectangle's
// three rings that show the frame's dot colours.
double frameShare(const QImage& screen, const QRect& outer)
{
    int dots = 0;
    int shown = 0;
    auto look = [&](int x, int y) {
        if (!screen.rect().contains(x, y) || !isDot(x, y))
            return;
        ++dots;
        shown += (screen.pixel(x, y) | 0xFF000000u) == dotColour(x, y) ? 1 : 0;
    };
    for (int ring = 0; ring < 3; ++ring) {
        const QRect r = outer.adjusted(ring, ring, -ring, -ring);
        for (int x = r.left() + 6; x <= r.right() - 6; ++x) {
            look(x, r.top());
            look(x, r.bottom());
        }
        for (int y = r.top() + 6; y <= r.bottom() - 6; ++y) {
            look(r.left(), y);
            look(r.right(), y);
        }
    }
    return dots == 0 ? 0.0 : static_cast<double>(shown) / dots;
}

std::string describe(const QRect& r)
{
    std::ostringstream s;
    s << r.width() << "x" << r.height() << "+" << r.x() << "+" << r.y();
    return s.str();
}

class WindowDrag : public ZumFixture, public ::testing::WithParamInterface<bool> {
protected:
    XDisplay::Options displayOptions() const override { return {.windowManager = GetParam()}; }

    void xdo(const std::vector<std::string>& args)
    {
        std::vector<std::string> argv{"xdotool"};
        argv.insert(argv.end(), args.begin(), args.end());
        const CommandResult r = runCommand(argv, display_->environment());
        if (r.exitCode != 0)
            throw std::runtime_error("xdotool failed: " + r.err);
    }

    // A coloured desktop, so that what lies outside the window's outline
    // and between the frame's dots can be told from the skin.
    void colourRoot()
    {
        QImage fill(8, 8, QImage::Format_RGB32);
        fill.fill(kRoot);
        const std::string path = (scratch() / "root.png").string();
        ASSERT_TRUE(fill.save(QString::fromStdString(path)));
        // ImageMagick sets the root window's background and leaves.
        runCommand({"display", "-window", "root", path}, display_->environment());
        ASSERT_TRUE(waitUntil(5s, [&] { return desktop_->screenshot().pixel(3, 3) == kRoot; }))
            << "the desktop did not take its colour";
    }

    // Starts the clock on the coloured desktop and waits until it ticks
    // where it stays.
    void startClock(ZumProgram::Options options = {})
    {
        colourRoot();
        start(std::move(options));
        if (GetParam()) {
            ASSERT_TRUE(waitUntil(5s, [&] { return frameExtents(zum().window()).has_value(); }))
                << "the window manager did not manage the window";
        }
        ASSERT_TRUE(waitUntil(3s, [&] { return pixels::count(shot(), layout::kClockBand, pixels::aqua) > 300; }))
            << "no clock digits seen";
        home = place();
    }

    QRect place()
    {
        auto g = desktop_->geometry(zum().window());
        if (!g)
            throw std::runtime_error("the main window is gone");
        return *g;
    }

    void pointerTo(QPoint screen)
    {
        xdo({"mousemove", "--sync", std::to_string(screen.x()), std::to_string(screen.y())});
    }

    QRect frameFor(QPoint offset) const { return QRect(home.topLeft() + offset, home.size()); }

    void waitFrame(const QRect& outer, const std::string& what)
    {
        double share = 0;
        ASSERT_TRUE(waitUntil(
            5s, [&] { return (share = frameShare(desktop_->screenshot(), outer)) > 0.95; }, 50ms))
            << "no dotted frame at " << describe(outer) << " " << what << " (" << share * 100 << "% of its dots)";
    }

    void waitFrameGone(const QRect& outer)
    {
        double share = 1;
        ASSERT_TRUE(waitUntil(
            5s, [&] { return (share = frameShare(desktop_->screenshot(), outer)) < 0.2; }, 50ms))
            << "the dotted frame stayed at " << describe(outer) << " (" << share * 100 << "% of its dots)";
    }

    void waitPlace(const QRect& expected, const std::string& what)
    {
        QRect now;
        ASSERT_TRUE(waitUntil(
            5s, [&] { return (now = place()) == expected; }, 50ms))
            << what << ": window at " << describe(now) << ", expected " << describe(expected);
    }

    // Presses at a window point and moves in steps. A move is handled with
    // where the pointer stood before it, so the frame of a step shows once
    // the next move has been taken, and a frame seen proves that every move
    // sent so far was taken. Until the first frame nothing shows that a move
    // was taken, and two moves that wait at once may reach the program as
    // one (the X layer below it merges them under load): then the first
    // step's frame never exists. So the drag starts with the first step and
    // short moves on from it until the frame of the move before shows, each
    // given longer than the last. From then on every step waits for the
    // frame of the one before. The extra one-pixel move makes the last step
    // count. Ends with the button still down.
    void dragInSteps(QPoint from, const std::vector<QPoint>& steps)
    {
        const QPoint press = home.topLeft() + from;
        pointerTo(press);
        xdo({"mousedown", "1"});
        QPoint last = steps.front();
        pointerTo(press + last);
        for (int nudge = 1;; ++nudge) {
            // Three pixels on both axes: no side of the new frame lies on a
            // side of the one before, so the one cannot pass for the other.
            const QPoint next = steps.front() + QPoint(3, 3) * nudge;
            pointerTo(press + next);
            const bool shown = waitUntil(
                std::chrono::seconds(nudge), [&] { return frameShare(desktop_->screenshot(), frameFor(last)) > 0.95; },
                50ms);
            last = next;
            if (shown)
                break;
            ASSERT_LT(nudge, 5) << "no dotted frame after " << nudge + 1 << " moves past the drag tolerance";
        }
        for (size_t k = 1; k < steps.size(); ++k) {
            pointerTo(press + steps[k]);
            waitFrame(frameFor(last), "after step " + std::to_string(k + 1));
            last = steps[k];
        }
        pointerTo(press + steps.back() + QPoint(1, 0));
        waitFrame(frameFor(steps.back()), "after the extra move");
    }

    const std::vector<QPoint> kSteps{{10, 6}, {20, 12}, {30, 19}, {40, 25}};
    // Bare skin: no label or button at either. Drags that follow another
    // press soon use the other one, so that Qt does not see a double click.
    const QPoint kSkin{30, 110};
    const QPoint kOtherSkin{250, 140};
    QRect home;
};

TEST_P(WindowDrag, MovesByExactlyTheDragWithAFrameOnTheWayThatGoesAway)
{
    startClock();
    dragInSteps(kSkin, kSteps);

    // Mid-drag: the frame stands, the window has not moved, the clock ticks.
    EXPECT_EQ(place(), home);
    const QImage before = desktop_->windowShot(zum().window());
    EXPECT_TRUE(waitUntil(
        3s, [&] { return !pixels::sameArea(before, desktop_->windowShot(zum().window()), layout::kClockBand); }, 100ms))
        << "the clock stood still during the drag";
    waitFrame(frameFor(kSteps.back()), "while the clock ticks");

    xdo({"mouseup", "1"});
    waitPlace(frameFor(kSteps.back()), "after the release");
    waitFrameGone(frameFor(kSteps.back()));
}

TEST_P(WindowDrag, StaysWithinFivePixelsThenTheNextDragMovesIt)
{
    startClock();
    const QPoint press = home.topLeft() + kSkin;
    pointerTo(press);
    xdo({"mousedown", "1"});
    for (const QPoint step : {QPoint(2, 1), QPoint(4, 3), QPoint(5, 5), QPoint(-5, 5), QPoint(3, -5), QPoint(5, 0)})
        pointerTo(press + step);
    xdo({"mouseup", "1"});

    // The next drag's frame stands where the window stood: the small drag
    // was handled and moved nothing.
    dragInSteps(kOtherSkin, kSteps);
    EXPECT_EQ(place(), home);
    xdo({"mouseup", "1"});
    waitPlace(frameFor(kSteps.back()), "after the second drag");
}

struct Control {
    const char* name;
    QPoint at;  // window point on the control
};

class PressOnAControl : public WindowDrag {
protected:
    void pressAndDragFrom(QPoint at)
    {
        const QPoint press = home.topLeft() + at;
        pointerTo(press);
        xdo({"mousedown", "1"});
        for (const QPoint& step : kSteps)
            pointerTo(press + step);
        pointerTo(press + kSteps.back() + QPoint(1, 0));
        xdo({"mouseup", "1"});
    }
};

TEST_P(PressOnAControl, ClockLabelPlayAndAlarmLineStartNoDrag)
{
    writeAlarmFile("07:30:00", (scratch() / "none.wav").string());
    startClock();
    ASSERT_TRUE(waitUntil(3s, [&] { return pixels::count(shot(), layout::kAlarmLine, pixels::white) > 20; }))
        << "the alarm line did not show its time";
    const Control controls[] = {
        {"clock label", {layout::kClockLeft + 40, 76}},
        {"Play", layout::kPlayButton.center()},
        {"alarm line", {30, 36}},
    };
    for (const Control& c : controls) {
        SCOPED_TRACE(c.name);
        pressAndDragFrom(c.at);
        // A drag from the skin shows its frame where the window still
        // stands: everything before it was handled and moved nothing.
        dragInSteps(kOtherSkin, kSteps);
        EXPECT_EQ(place(), home);
        xdo({"mouseup", "1"});
        waitPlace(frameFor(kSteps.back()), std::string("after the drag that followed the ") + c.name);
        waitFrameGone(frameFor(kSteps.back()));
        home = place();
    }
}

// The window's outline is the skin's rounded rectangle: outside it the
// desktop shows and takes the pointer.
TEST_P(WindowDrag, OutlineIsTheSkinsRoundedRectangle)
{
    startClock();
    const QImage screen = desktop_->screenshot();
    auto at = [&](int x, int y) { return screen.pixel(home.x() + x, home.y() + y) | 0xFF000000u; };
    EXPECT_EQ(at(1, 100), kRoot);
    EXPECT_NE(at(2, 100), kRoot);
    EXPECT_NE(at(397, 100), kRoot);
    EXPECT_EQ(at(398, 100), kRoot);

    auto windowUnderPointer = [&](int x, int y) {
        pointerTo(home.topLeft() + QPoint(x, y));
        const CommandResult r = runCommand({"xdotool", "getmouselocation", "--shell"}, display_->environment());
        const auto at = r.out.find("WINDOW=");
        return at == std::string::npos ? std::string() : r.out.substr(at + 7, r.out.find('\n', at) - at - 7);
    };
    // A window manager's frame around the window may be what the pointer
    // finds; the middle of the skin tells which window is the clock's.
    const std::string clock = windowUnderPointer(200, 100);
    ASSERT_FALSE(clock.empty());
    if (!GetParam()) {
        EXPECT_EQ(clock, zum().window());
    }
    EXPECT_EQ(windowUnderPointer(2, 100), clock);
    EXPECT_EQ(windowUnderPointer(397, 100), clock);
    EXPECT_NE(windowUnderPointer(1, 100), clock);
    EXPECT_NE(windowUnderPointer(398, 100), clock);
}

INSTANTIATE_TEST_SUITE_P(Desktops, WindowDrag, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Openbox" : "BareX"; });
INSTANTIATE_TEST_SUITE_P(Desktops, PressOnAControl, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Openbox" : "BareX"; });

}  // namespace
