// The Qt drag platform's hold of the pointer between a press and its loop.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QWidget>
#include <QWindow>

#include <string>
#include <vector>

#include "skin/DragPlatformQt.h"

namespace {

// Records the pointer events that reach the window it watches, after every
// filter of the whole program had its turn.
class Recorder : public QObject {
public:
    std::vector<std::string> seen;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::MouseMove || e->type() == QEvent::MouseButtonRelease) {
            const QPoint g = static_cast<QMouseEvent*>(e)->globalPosition().toPoint();
            seen.push_back(std::string(e->type() == QEvent::MouseMove ? "move " : "up ") + std::to_string(g.x()) + "," +
                           std::to_string(g.y()));
        }
        return false;
    }
};

class DragPlatformQt : public ::testing::Test {
protected:
    void SetUp() override
    {
        form.setGeometry(100, 100, 399, 201);
        form.show();
        ASSERT_NE(form.windowHandle(), nullptr);
        form.windowHandle()->installEventFilter(&window);
    }
    void TearDown() override
    {
        if (QWidget::mouseGrabber() == &form)
            form.releaseMouse();
    }

    // A pointer event as the window system hands it to the form's window.
    void Arrive(QEvent::Type type, QPoint global)
    {
        const QPointF local = form.mapFromGlobal(global);
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, local, local, QPointF(global), Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(form.windowHandle(), &event);
    }

    QWidget form;
    Recorder window;
};

TEST_F(DragPlatformQt, MovesBeforeTheLoopStartsAreTheLoopsFromThePress)
{
    TfcQtDragPlatform platform(&form);
    platform.HoldPointer({130, 210});
    Arrive(QEvent::MouseMove, {140, 216});
    Arrive(QEvent::MouseMove, {150, 222});
    EXPECT_TRUE(window.seen.empty()) << "a held move reached the window";

    platform.SetCapture();
    ASSERT_TRUE(platform.HasCapture());
    EXPECT_EQ(platform.CursorPos(), QPoint(130, 210));
    EXPECT_EQ(platform.GetMessage().kind, TfcLoopMessage::Kind::MouseMove);
    EXPECT_EQ(platform.CursorPos(), QPoint(140, 216));
    EXPECT_EQ(platform.GetMessage().kind, TfcLoopMessage::Kind::MouseMove);
    EXPECT_EQ(platform.CursorPos(), QPoint(150, 222));
    platform.ReleaseCapture();

    // The loop's own waits filter; after it the window gets its events again.
    Arrive(QEvent::MouseMove, {160, 228});
    EXPECT_EQ(window.seen, std::vector<std::string>{"move 160,228"});
}

TEST_F(DragPlatformQt, AHoldEndedWithoutALoopHandsOnWhatItHeldInOrder)
{
    TfcQtDragPlatform platform(&form);
    platform.HoldPointer({130, 210});
    Arrive(QEvent::MouseMove, {132, 211});
    Arrive(QEvent::MouseButtonRelease, {132, 211});
    EXPECT_TRUE(window.seen.empty());
    platform.EndHold();
    EXPECT_EQ(window.seen, (std::vector<std::string>{"move 132,211", "up 132,211"}));
    // Ending again hands on nothing twice, and nothing is held any more.
    platform.EndHold();
    Arrive(QEvent::MouseMove, {140, 215});
    EXPECT_EQ(window.seen.size(), 3u);
}

TEST_F(DragPlatformQt, ANewHoldGivesBackWhatTheOldOneHeld)
{
    TfcQtDragPlatform platform(&form);
    platform.HoldPointer({130, 210});
    Arrive(QEvent::MouseButtonRelease, {130, 210});
    platform.HoldPointer({300, 250});
    EXPECT_EQ(window.seen, std::vector<std::string>{"up 130,210"});
    platform.SetCapture();
    EXPECT_EQ(platform.CursorPos(), QPoint(300, 250));
}

}  // namespace
