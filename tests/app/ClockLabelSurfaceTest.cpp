// The clock label's choice between its surface and the framework's repaint,
// with a surface that composes what it is given as the server would.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QPushButton>
#include <QTest>
#include <QWidget>

#include <memory>

#include "app/ClockLabel.h"
#include "tests/fakes/FakeClockSurface.h"
#include "tests/support/ClockLook.h"
#include "tests/support/PictureBackdrop.h"

namespace {

// Counts the paints a widget gets from the framework.
class PaintCount : public QObject {
public:
    explicit PaintCount(QWidget* widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        paints += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
};

class ClockLabelSurface : public ::testing::Test {
protected:
    void SetUp() override
    {
        label_ = new TClockLabel(&window_);
        label_->move(96, 60);
        DressAsTheClock(label_);
        label_->SetSurface(std::make_unique<FakeClockSurface>(state_));
        label_->SetTimeText(QStringLiteral("12:34:50"));
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        Settle();
        state_->screen = Framework();
    }

    QImage Framework() { return window_.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    // Every repaint asked for is made.
    static void Settle()
    {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    std::shared_ptr<FakeClockSurface::State> state_ = std::make_shared<FakeClockSurface::State>();
    PictureBackdrop window_;
    TClockLabel* label_ = nullptr;
};

// Wider and narrower texts alike: the surface is given what the framework
// would paint, what a narrower label uncovers included, and the framework
// repaints nothing.
TEST_F(ClockLabelSurface, NewSecondsGoToTheSurfaceAsTheFrameworkWouldPaintThem)
{
    PaintCount count(label_);
    std::size_t draws = 0;
    for (const char* text : {"12:34:51", "12:34:57", "12:34:59", "12:35:00", "12:41:11", "13:00:00", "12:34:50"}) {
        SCOPED_TRACE(text);
        const int paints = count.paints;
        label_->SetTimeText(QString::fromLatin1(text));
        ASSERT_EQ(state_->draws.size(), ++draws);
        EXPECT_TRUE(label_->ScreenAhead());
        Settle();
        EXPECT_EQ(count.paints, paints);
        // The framework's drawing of the same state (this grab paints
        // offscreen, not the window).
        EXPECT_EQ(state_->screen, Framework());
    }
    // Each grab above painted the label, which may change what lies under
    // it; without them the background is taken up once, not at every second.
    const int taken = state_->backgrounds;
    for (const char* text : {"12:34:51", "12:34:52", "12:34:53"})
        label_->SetTimeText(QString::fromLatin1(text));
    EXPECT_EQ(state_->backgrounds, taken + 1);
    EXPECT_EQ(state_->screen, Framework());
}

TEST_F(ClockLabelSurface, ASurfaceThatFailsLeavesTheRepaintToTheFramework)
{
    for (const bool background : {false, true}) {
        SCOPED_TRACE(background ? "the background fails" : "the drawing fails");
        state_->failBackground = background;
        state_->failDraw = !background;
        PaintCount count(label_);
        label_->SetTimeText(background ? QStringLiteral("12:34:52") : QStringLiteral("12:34:53"));
        EXPECT_FALSE(label_->ScreenAhead());
        Settle();
        EXPECT_GT(count.paints, 0);
    }
    EXPECT_TRUE(state_->draws.empty());
}

TEST_F(ClockLabelSurface, AWidgetOverTheLabelOrAHiddenWindowUsesNoSurface)
{
    auto* button = new QPushButton(QStringLiteral("Play"), &window_);
    // Over the seconds, which change.
    button->setGeometry(label_->x() + label_->width() - 30, label_->y() + 10, 60, 30);
    button->show();
    label_->SetTimeText(QStringLiteral("12:34:51"));
    EXPECT_TRUE(state_->draws.empty());
    // Beside the label, not over it: the surface again.
    button->move(label_->x(), label_->y() + label_->height() + 5);
    label_->SetTimeText(QStringLiteral("12:34:52"));
    EXPECT_EQ(state_->draws.size(), 1U);

    window_.hide();
    label_->SetTimeText(QStringLiteral("12:34:53"));
    EXPECT_EQ(state_->draws.size(), 1U);
}

TEST_F(ClockLabelSurface, AChangeOfLookDropsTheCharacterPictures)
{
    label_->SetTimeText(QStringLiteral("12:34:51"));
    const int drops = state_->dropsOfAll;
    QPalette colours = label_->palette();
    colours.setColor(QPalette::WindowText, Qt::red);
    label_->setPalette(colours);
    EXPECT_GT(state_->dropsOfAll, drops);
}

}  // namespace
