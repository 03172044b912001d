#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSystemTrayIcon>

#include <algorithm>
#include <string>
#include <vector>

#include "tray/QtNotifyArea.h"

namespace {

// Records what reaches a window.
class RecordingWindow : public TNotifyWindow {
public:
    std::vector<std::uint32_t> timers;
    void Dispatch(std::uint32_t message, std::uint32_t wParam, std::uint32_t) override
    {
        if (message == NotifyMessage::WM_TIMER)
            timers.push_back(wParam);
    }
};

// Runs the event loop until `done` holds or the time has passed.
template <class Done>
bool Spin(Done done, qint64 milliseconds = 2000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

TEST(QtNotifyArea, WithoutATrayEveryAddIsRefused)
{
    // The offscreen platform has no tray.
    ASSERT_FALSE(QSystemTrayIcon::isSystemTrayAvailable());
    TQtNotifyArea area;
    RecordingWindow window;
    TNotifyIconData data;
    data.hWnd = &window;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    EXPECT_FALSE(area.Available());
    EXPECT_FALSE(area.Add(data));
    EXPECT_FALSE(area.Modify(data)) << "nothing was added under that identifier";
    EXPECT_FALSE(area.Remove(data));
}

TEST(QtNotifyArea, TimersTickWithTheirIdentifierUntilKilled)
{
    TQtNotifyArea area;
    RecordingWindow a;
    RecordingWindow b;
    area.SetTimer(&a, 147, 5);
    area.SetTimer(&b, 147, 5);
    area.SetTimer(&a, 148, 5);
    ASSERT_TRUE(Spin([&] { return a.timers.size() >= 4 && b.timers.size() >= 2; }));
    EXPECT_NE(std::find(a.timers.begin(), a.timers.end(), 147u), a.timers.end());
    EXPECT_NE(std::find(a.timers.begin(), a.timers.end(), 148u), a.timers.end());

    area.KillTimer(&a, 148);
    area.WindowDestroyed(&b);
    a.timers.clear();
    b.timers.clear();
    ASSERT_TRUE(Spin([&] { return a.timers.size() >= 3; }));
    for (std::uint32_t id : a.timers)
        EXPECT_EQ(id, 147u);
    EXPECT_TRUE(b.timers.empty()) << "a destroyed window gets no ticks";

    // Starting a running timer again restarts it with the new period.
    area.SetTimer(&a, 147, 60000);
    QCoreApplication::processEvents();
    a.timers.clear();
    Spin([] { return false; }, 200);  // forty of the old periods
    EXPECT_TRUE(a.timers.empty());
    area.KillTimer(&a, 147);
    area.KillTimer(&a, 147);  // killing twice is harmless
}

TEST(QtNotifyArea, ResourcesThatAreMissingGiveANullIcon)
{
    TQtNotifyArea area;
    EXPECT_TRUE(area.LoadIcon("NO SUCH ICON").isNull());
    EXPECT_TRUE(area.CursorPos().has_value());
}

}  // namespace
