// The clock shows the true time whatever happens around it: other windows
// covering it and going, menus and dialogs closing over it, a drag, a
// minimise, and a long run in which the text gets narrower and wider. What
// the screen shows in the clock's place is compared with the window as the
// program's own widgets draw it offscreen for the time text of the second.
// The set runs on a 24-bit display under a window manager, on a 16-bit
// display and at a scale factor of 2.

#include <ctime>
#include <string>

#include "ClockFace.h"
#include "Layout.h"
#include "Poll.h"
#include "ZumFixture.h"

using namespace std::chrono_literals;

namespace {

struct Screen {
    const char* name;
    int depth;
    int scale;
    bool windowManager;
};

void PrintTo(const Screen& s, std::ostream* os)
{
    *os << s.name;
}

class ClockFaceTest : public ZumFixture, public ::testing::WithParamInterface<Screen> {
protected:
    XDisplay::Options displayOptions() const override
    {
        return {.windowManager = GetParam().windowManager, .depth = GetParam().depth};
    }

    void SetUp() override
    {
        ZumFixture::SetUp();
        EnvOverrides env = display_->environment();
        if (GetParam().scale != 1)
            env["QT_SCALE_FACTOR"] = std::to_string(GetParam().scale);
        face_ = std::make_unique<ClockFace>(env, "C", GetParam().scale);
        start({.scale = GetParam().scale});
    }

    void expectTheTime(const std::string& after)
    {
        std::string why;
        EXPECT_TRUE(face_->showsTheTime(*desktop_, zum().window(), 5s, &why)) << "after " << after << ": " << why;
    }

    // Waits until the clock has had at least one new second to show.
    static void waitForANewSecond()
    {
        const std::time_t now = std::time(nullptr);
        waitUntil(
            3s, [&] { return std::time(nullptr) >= now + 2; }, 20ms);
    }

    QRect place()
    {
        const auto g = desktop_->geometry(zum().window());
        if (!g)
            throw std::runtime_error("the main window is gone");
        return *g;
    }

    CommandResult x(const std::vector<std::string>& argv) { return runCommand(argv, display_->environment()); }

    int scale() const { return GetParam().scale; }

    std::unique_ptr<ClockFace> face_;
};

TEST_P(ClockFaceTest, ShowsTheTrueTimeAfterEverythingThatCoversOrMovesIt)
{
    expectTheTime("the start");

    {
        // Another window over part of the clock while its seconds change,
        // then gone: what it uncovers must be the time of now.
        const QRect g = place();
        const QPoint at = g.topLeft() + QPoint(200, 70) * scale();
        ChildProcess cover({"xlogo", "-geometry",
                            std::to_string(120 * scale()) + "x" + std::to_string(60 * scale()) + "+" +
                                std::to_string(at.x()) + "+" + std::to_string(at.y())},
                           display_->environment(), (display_->dir().path() / "cover.log").string());
        ASSERT_TRUE(desktop_->findVisibleByName("^xlogo$", 10s)) << "the covering window did not show";
        waitForANewSecond();
        cover.stop();
        ASSERT_TRUE(waitGone("^xlogo$", 5s)) << "the covering window did not go";
        expectTheTime("another window covered part of the clock");
    }

    {
        const auto menuWindow = openMenu();
        waitForANewSecond();
        desktop_->key("Escape");
        ASSERT_TRUE(waitUntil(5s, [&] { return !isVisible(*menuWindow); })) << "the main menu did not close";
        expectTheTime("the main menu");
    }

    {
        const Desktop::WindowId dialog = openSetTime();
        waitForANewSecond();
        desktop_->clickCentre(dialog,
                              QRect(layout::kCancelButton.topLeft() * scale(), layout::kCancelButton.size() * scale()));
        ASSERT_TRUE(waitGone("^Set Time$", 5s)) << "the Set Time dialog did not close";
        expectTheTime("the Set Time dialog");
    }

    {
        menu("a");  // "&About"
        const auto box = desktop_->findVisibleByName("^Z\\.U\\.M  V\\.1\\.3$", 10s);
        ASSERT_TRUE(box) << "the About box did not open";
        waitForANewSecond();
        desktop_->focus(*box);
        desktop_->key("Return");
        ASSERT_TRUE(waitGone("^Z\\.U\\.M  V\\.1\\.3$", 5s)) << "the About box did not close";
        expectTheTime("a message box");
    }

    {
        // A drag of the bare skin: the window lands somewhere else.
        const QRect home = place();
        const QPoint press = home.topLeft() + QPoint(30, 110) * scale();
        x({"xdotool", "mousemove", "--sync", std::to_string(press.x()), std::to_string(press.y()), "mousedown", "1"});
        for (int step = 1; step <= 4; ++step)
            x({"xdotool", "mousemove", "--sync", std::to_string(press.x() + 15 * step),
               std::to_string(press.y() + 10 * step)});
        x({"xdotool", "mouseup", "1"});
        ASSERT_TRUE(waitUntil(
            5s, [&] { return place().topLeft() != home.topLeft(); }, 50ms))
            << "the drag did not move the window";
        expectTheTime("a drag");
    }

    if (GetParam().windowManager) {
        x({"xdotool", "windowminimize", "--sync", zum().window()});
        waitForANewSecond();
        x({"xdotool", "windowactivate", "--sync", zum().window()});
        ASSERT_TRUE(waitUntil(5s, [&] { return isVisible(zum().window()); })) << "the window did not come back";
        expectTheTime("a minimise and restore");
    }

    // A run long enough for the text to get narrower and wider again.
    for (int i = 0; i < 15; ++i) {
        const std::time_t now = std::time(nullptr);
        std::string why;
        ASSERT_TRUE(face_->showsTheTime(*desktop_, zum().window(), 5s, &why)) << "second " << i + 1 << ": " << why;
        waitUntil(
            3s, [&] { return std::time(nullptr) > now; }, 20ms);
    }
}

INSTANTIATE_TEST_SUITE_P(Screens, ClockFaceTest,
                         ::testing::Values(Screen{"Depth24UnderAWindowManager", 24, 1, true},
                                           Screen{"Depth16", 16, 1, false}, Screen{"ScaleFactor2", 24, 2, false}),
                         [](const ::testing::TestParamInfo<Screen>& info) { return std::string(info.param.name); });

}  // namespace
