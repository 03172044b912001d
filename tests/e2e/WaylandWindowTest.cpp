// The clock on a native Wayland compositor, where a window is shaped by the
// opacity of its pixels and moved only by the compositor: the skin's
// outline shows and nothing around it, and a drag on the skin moves it.

#include <QByteArray>
#include <ctime>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <span>
#include <sstream>

#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "ClockFace.h"
#include "Layout.h"
#include "Poll.h"
#include "TempDir.h"
#include "WestonDisplay.h"
#include "ZumProgram.h"
#include "skin/ByteStream.h"
#include "skin/RegionData.h"
#include "skin/SkinResources.h"

using namespace std::chrono_literals;

namespace {

// The skin's outline, in window pixels.
Region Outline()
{
    const QByteArray block = BuiltInRegionData();
    MemoryByteSource source(std::span(reinterpret_cast<const uint8_t*>(block.constData()), block.size()));
    return ReadRegions(source).region;
}

class WaylandClock : public ::testing::Test {
protected:
    void start(WestonDisplay::Options options)
    {
        weston_ = std::make_unique<WestonDisplay>(options);
        if (options.onX)
            weston_->pointerTo({0, 0});  // on the panel, out of the shots' way
        background_ = weston_->screenshot();
        ASSERT_FALSE(background_.isNull()) << weston_->logTail();
        const auto env = ZumProgram::environment(weston_->environment(), weston_->dir().path(), state_.path(), {});
        zum_ = std::make_unique<ChildProcess>(std::vector<std::string>{ZumProgram::binary()}, env, logPath());
    }
    void TearDown() override
    {
        if (HasFailure())
            std::cerr << "weston:\n" << (weston_ ? weston_->logTail() : "") << "\nprogram:\n" << output() << "\n";
        zum_.reset();
        weston_.reset();
    }
    std::string logPath() const { return (state_.path() / "zum.log").string(); }
    std::string output() const
    {
        std::ifstream in(logPath());
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // Waits until the window shows exactly as wide and high as its outline
    // where `placed` accepts its top-left; returns the top-left and the shot.
    std::optional<std::pair<QPoint, QImage>> waitForWindow(const std::function<bool(QPoint)>& placed,
                                                           std::chrono::milliseconds timeout = 20s)
    {
        std::optional<std::pair<QPoint, QImage>> found;
        lastSeen_ = QRect();
        waitUntil(
            timeout,
            [&] {
                const QImage shot = weston_->screenshot();
                if (shot.isNull())
                    return false;
                QRect box;
                const QRect below(0, WestonDisplay::kPanelHeight, shot.width(),
                                  shot.height() - WestonDisplay::kPanelHeight);
                for (int y = below.top(); y <= below.bottom(); ++y)
                    for (int x = below.left(); x <= below.right(); ++x)
                        if (shot.pixel(x, y) != background_.pixel(x, y))
                            box |= QRect(x, y, 1, 1);
                lastSeen_ = box;
                const QPoint topLeft = box.topLeft() - QPoint(outline_.Bounds().left, outline_.Bounds().top);
                if (box.width() != outline_.Bounds().right - outline_.Bounds().left ||
                    box.height() != outline_.Bounds().bottom - outline_.Bounds().top || !placed(topLeft))
                    return false;
                found.emplace(topLeft, shot);
                return true;
            },
            100ms);
        return found;
    }
    std::string lastSeen() const
    {
        return std::to_string(lastSeen_.width()) + "x" + std::to_string(lastSeen_.height()) + " at " +
               std::to_string(lastSeen_.x()) + "," + std::to_string(lastSeen_.y());
    }

    const Region outline_ = Outline();
    TempDir state_;
    std::unique_ptr<WestonDisplay> weston_;
    std::unique_ptr<ChildProcess> zum_;
    QImage background_;
    QRect lastSeen_;
};

TEST_F(WaylandClock, ShowsOnlyItsOutline)
{
    start({});
    const auto window = waitForWindow([](QPoint) { return true; });
    ASSERT_TRUE(window) << "the window never showed as large as its outline; what changed on the screen: "
                        << lastSeen();
    const auto& [at, shot] = *window;
    int outsideShown = 0, insideShown = 0, inside = 0;
    for (int y = 0; y < layout::kMainHeight; ++y)
        for (int x = 0; x < layout::kMainWidth; ++x) {
            const QPoint p = at + QPoint(x, y);
            if (!shot.rect().contains(p))
                continue;
            const bool shown = shot.pixel(p) != background_.pixel(p);
            if (outline_.Contains(x, y)) {
                ++inside;
                insideShown += shown ? 1 : 0;
            } else {
                outsideShown += shown ? 1 : 0;
            }
        }
    EXPECT_EQ(outsideShown, 0) << "pixels outside the outline are not fully transparent";
    EXPECT_GT(insideShown, inside * 99 / 100) << "the skin is not drawn inside its outline";

    // The clock shows the time of each second, narrower texts included,
    // with nothing left of the texts before.
    ClockFace face(weston_->environment(), "C", 1);
    const QPoint origin = at;
    for (int i = 0; i < 15; ++i) {
        const std::time_t now = std::time(nullptr);
        std::string why;
        ASSERT_TRUE(face.showsTheTime(
            [&] { return weston_->screenshot().copy(QRect(origin, QSize(layout::kMainWidth, layout::kMainHeight))); },
            5s, &why))
            << "second " << i + 1 << ": " << why;
        waitUntil(
            3s, [&] { return std::time(nullptr) > now; }, 20ms);
    }
}

TEST_F(WaylandClock, ADragOnTheSkinMovesTheWindow)
{
    start({.onX = true});
    const auto before = waitForWindow([](QPoint) { return true; });
    ASSERT_TRUE(before) << "the window never showed: " << lastSeen();
    const QPoint from = before->first;
    // On the skin between the title and the "-" button.
    const QPoint press = from + QPoint(200, 10);
    weston_->pointerTo(press);
    weston_->pointerButton(true);
    // A step past the drag tolerance hands the move to the compositor,
    // which moves the window at the pointer's next motion once it has the
    // request: the steps wait until the window follows, then go on.
    bool following = false;
    for (int step = 1; step <= 10; ++step) {
        weston_->pointerTo(press + QPoint(10, 10) * step);
        if (!following && step < 10)
            following = waitForWindow([&](QPoint at) { return at == from + QPoint(10, 10) * step; }, 2s).has_value();
    }
    weston_->pointerButton(false);
    EXPECT_TRUE(following) << "the window never followed the pointer";
    EXPECT_TRUE(waitForWindow([&](QPoint at) { return at == from + QPoint(100, 100); }))
        << "from " << from.x() << "," << from.y() << " the window went to " << lastSeen();
}

}  // namespace
