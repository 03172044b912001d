// The clock label drawing new seconds straight into its window on a real X
// server: what the server shows must be what the framework would paint, and
// must stay so when the window is exposed again.
#include <gtest/gtest.h>

#include <QApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWidget>
#include <QWindow>

#include <clocale>
#include <cstdlib>
#include <memory>

#include "XDisplay.h"
#include "app/ClockLabel.h"
#include "tests/support/ClockLook.h"
#include "tests/support/PictureBackdrop.h"

namespace {

class ClockSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        window_ = std::make_unique<PictureBackdrop>();
        window_->setWindowFlags(Qt::FramelessWindowHint);
        label_ = new TClockLabel(window_.get());
        label_->move(96, 60);
        DressAsTheClock(label_);
        label_->SetTimeText(QStringLiteral("12:34:50"));
        window_->move(100, 100);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.get()));
        // The first paint of the window is the framework's.
        ASSERT_TRUE(QTest::qWaitFor([&] { return Screen() == Framework(); }, 5000));
        // A map may bring the window a second expose, and under load it may
        // still wait in the queue. Each one the server sent by now (the grab
        // above is a round trip) is taken in here, and what it asks painted,
        // before a test counts paints or draws ahead of the framework.
        Screen();
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    // What the server shows of the label's place, and what the framework
    // paints there.
    QImage Screen(const QRect& area) const
    {
        return window_->screen()
            ->grabWindow(window_->winId(), area.x(), area.y(), area.width(), area.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    }
    QImage Framework(const QRect& area) const
    {
        return window_->grab(area).toImage().convertToFormat(QImage::Format_RGB32);
    }
    QImage Screen() const { return Screen(label_->geometry()); }
    QImage Framework() const { return Framework(label_->geometry()); }

    std::unique_ptr<PictureBackdrop> window_;
    TClockLabel* label_ = nullptr;
};

TEST_F(ClockSurfaceTest, NewSecondsOnTheServerAreWhatTheFrameworkPaints)
{
    for (const char* text : {"12:34:51", "12:34:52", "12:35:00", "12:40:09", "12:34:50"}) {
        SCOPED_TRACE(text);
        // The area of the widest label, so that what a narrower one
        // uncovers is compared too.
        const QRect area(label_->pos(), QSize(280, label_->height()));
        label_->SetTimeText(QString::fromLatin1(text));
        ASSERT_TRUE(label_->DrawsFromCache());
        EXPECT_TRUE(label_->ScreenAhead());
        EXPECT_EQ(Screen(area), Framework(area));
    }
}

TEST_F(ClockSurfaceTest, NewSecondsOnTheServerAskNoRepaint)
{
    // The first takes up what lies under the label, painting it offscreen.
    label_->SetTimeText(QStringLiteral("12:34:51"));
    const int before = window_->paints;
    for (const char* text : {"12:34:52", "12:34:59", "12:35:00", "12:35:11"}) {
        label_->SetTimeText(QString::fromLatin1(text));
        ASSERT_TRUE(label_->ScreenAhead());
    }
    // Every repaint asked for is made by now.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_EQ(window_->paints, before);
    // And a text of another height is the framework's: proof that a repaint
    // asked for would have been seen.
    QFont larger = label_->font();
    larger.setPixelSize(60);
    label_->setFont(larger);
    label_->SetTimeText(QStringLiteral("12:35:12"));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    EXPECT_GT(window_->paints, before);
}

TEST_F(ClockSurfaceTest, AnExposedWindowShowsTheLatestSecond)
{
    label_->SetTimeText(QStringLiteral("12:34:51"));
    label_->SetTimeText(QStringLiteral("12:34:57"));
    ASSERT_TRUE(label_->ScreenAhead());
    const QImage latest = Framework();
    // Another window over the clock and away again: the server asks the
    // clock for the uncovered part, which the framework shows from its copy.
    QWidget cover;
    cover.setWindowFlags(Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint);
    cover.setGeometry(window_->geometry());
    cover.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&cover));
    cover.hide();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !label_->ScreenAhead(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Screen() == latest; }, 5000));
    // And new seconds go back to the server.
    label_->SetTimeText(QStringLiteral("12:34:58"));
    EXPECT_TRUE(label_->ScreenAhead());
    EXPECT_EQ(Screen(), Framework());
}

TEST_F(ClockSurfaceTest, AWidgetOverTheLabelIsLeftToTheFramework)
{
    auto* button = new QPushButton(QStringLiteral("Play"), window_.get());
    button->setGeometry(label_->x() + label_->width() - 30, label_->y() + 10, 60, 30);
    button->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Screen() == Framework(); }, 5000));
    label_->SetTimeText(QStringLiteral("12:34:51"));
    EXPECT_FALSE(label_->ScreenAhead());
    ASSERT_TRUE(QTest::qWaitFor([&] { return Screen() == Framework(); }, 5000));
}

TEST_F(ClockSurfaceTest, ANewBackgroundIsTakenUp)
{
    label_->SetTimeText(QStringLiteral("12:34:51"));
    ASSERT_TRUE(label_->ScreenAhead());
    // The window under the label changes colour: the framework repaints the
    // label with it, and the next second is drawn over the new colour.
    auto* plain = new QWidget(window_.get());
    plain->setAutoFillBackground(true);
    QPalette green = plain->palette();
    green.setColor(QPalette::Window, QColor(10, 120, 20));
    plain->setPalette(green);
    plain->setGeometry(window_->rect());
    plain->lower();
    plain->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Screen() == Framework(); }, 5000));
    label_->SetTimeText(QStringLiteral("12:34:52"));
    EXPECT_TRUE(label_->ScreenAhead());
    EXPECT_EQ(Screen(), Framework());
    EXPECT_EQ(Screen().pixel(1, 1), qRgb(10, 120, 20));
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    std::setlocale(LC_ALL, "C");
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    XDisplay::Options options;
    options.sessionBus = false;
    XDisplay display(options);
    for (const auto& [name, value] : display.environment()) {
        if (value)
            setenv(name.c_str(), value->c_str(), 1);
        else
            unsetenv(name.c_str());
    }
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
