// The main window and its running clock, as a person sees them.

#include <QString>
#include <chrono>
#include <ctime>
#include <fstream>
#include <string>
#include <thread>

#include "Layout.h"
#include "Pixels.h"
#include "Poll.h"
#include "TextWidth.h"
#include "TimeText.h"
#include "ZumFixture.h"

using namespace std::chrono_literals;

namespace {

// The clock shows a new second up to a few tens of milliseconds after the
// wall clock turns (its wake-ups may come that late). Waits until the wall
// clock is well past the turn, so that the clock shows the second the wall
// clock is in.
void waitPastTheTurn()
{
    waitUntil(
        2s, [] { return std::chrono::system_clock::now().time_since_epoch() % 1s >= 150ms; }, 10ms);
}

class ClockWindow : public ZumFixture {};

TEST_F(ClockWindow, IsBorderlessCentredAndOfItsSize)
{
    start();
    auto g = desktop_->geometry(zum().window());
    ASSERT_TRUE(g);
    EXPECT_EQ(g->width(), layout::kMainWidth);
    EXPECT_EQ(g->height(), layout::kMainHeight);
    EXPECT_NEAR(g->x(), (XDisplay::kWidth - layout::kMainWidth) / 2, 1);
    EXPECT_NEAR(g->y(), (XDisplay::kHeight - layout::kMainHeight) / 2, 1);
    // The window's title names it even though no caption bar shows it.
    auto byName = desktop_->findVisibleByName("^ZUM$", 2s);
    ASSERT_TRUE(byName);
    EXPECT_EQ(*byName, zum().window());
}

class UnderWindowManager : public ZumFixture {
protected:
    XDisplay::Options displayOptions() const override { return {.windowManager = true}; }
};

// A window manager gives the window no frame and leaves it centred.
TEST_F(UnderWindowManager, MainWindowStaysBorderlessAndCentred)
{
    start();
    std::optional<std::array<int, 4>> frame;
    ASSERT_TRUE(waitUntil(5s, [&] { return (frame = frameExtents(zum().window())).has_value(); }))
        << "the window manager did not manage the window";
    EXPECT_EQ(*frame, (std::array<int, 4>{0, 0, 0, 0}));
    // The manager may place the window a moment after announcing its frame.
    std::optional<QRect> g;
    const QPoint centred((XDisplay::kWidth - layout::kMainWidth) / 2, (XDisplay::kHeight - layout::kMainHeight) / 2);
    EXPECT_TRUE(waitUntil(5s, [&] {
        g = desktop_->geometry(zum().window());
        return g && (g->topLeft() - centred).manhattanLength() <= 2;
    })) << "the window did not settle centred";
    ASSERT_TRUE(g);
    EXPECT_EQ(g->size(), QSize(layout::kMainWidth, layout::kMainHeight));
    EXPECT_NEAR(g->x(), (XDisplay::kWidth - layout::kMainWidth) / 2, 1);
    EXPECT_NEAR(g->y(), (XDisplay::kHeight - layout::kMainHeight) / 2, 1);
}

TEST_F(ClockWindow, ShowsAquaDigitsAndDarkCaptions)
{
    start();
    // The first tick fills the label within 100 ms of start.
    QImage window;
    ASSERT_TRUE(waitUntil(10s, [&] {
        window = shot();
        return pixels::count(window, layout::kClockBand, pixels::aqua) > 300;
    })) << "no clock digits seen";
    QRect digits = pixels::inkBox(window, layout::kClockBand, pixels::aqua);
    EXPECT_GE(digits.left(), layout::kClockLeft);
    EXPECT_LE(digits.left(), layout::kClockLeft + 12);
    EXPECT_GE(digits.top(), 60);
    // 48-pixel digits stand tens of pixels high.
    EXPECT_GT(digits.height(), 25);
    EXPECT_LT(digits.height(), 60);
    // Nothing else of the window is aqua: a label drawn in the wrong place
    // or colour would show here.
    QImage outside = window.copy();
    for (int y = digits.top(); y <= digits.bottom(); ++y)
        for (int x = digits.left(); x <= digits.right(); ++x)
            outside.setPixel(x, y, qRgb(0, 0, 0));
    EXPECT_LT(pixels::count(outside, outside.rect(), pixels::aqua), 20);

    for (const QRect& button : {layout::kMenuButton, layout::kPlayButton, layout::kStopButton}) {
        QRect ink = pixels::captionInk(window, button);
        EXPECT_FALSE(ink.isNull()) << "no caption in button at " << button.x() << "," << button.y();
        EXPECT_GE(pixels::captionInkCount(window, button), 8);
        // A caption is centred in its button, not pushed to an edge.
        EXPECT_NEAR(ink.center().x(), button.center().x(), 4);
    }
    // Nothing is armed at a first start: no red square.
    EXPECT_EQ(pixels::count(window, layout::kArmedSquare, pixels::red), 0);
}

TEST_F(ClockWindow, TicksEverySecondAndHoldsStillBetween)
{
    start();
    ASSERT_TRUE(waitUntil(10s, [&] { return pixels::count(shot(), layout::kClockBand, pixels::aqua) > 300; }));
    QImage first = shot();
    EXPECT_TRUE(waitUntil(10s, [&] { return !pixels::sameArea(first, shot(), layout::kClockBand); }))
        << "the clock did not change in 3 s";

    // Within a second the text stands still: pairs of shots taken right
    // after one another within one second show the same clock. A label
    // redrawn differently on each tick fails here.
    int pairs = 0;
    int steady = 0;
    for (int attempt = 0; attempt < 24 && pairs < 4; ++attempt) {
        waitPastTheTurn();
        const std::time_t before = std::time(nullptr);
        QImage a = desktop_->windowShot(zum().window());
        QImage b = desktop_->windowShot(zum().window());
        if (std::time(nullptr) != before)
            continue;  // the second turned during the shots
        ++pairs;
        steady += pixels::sameArea(a, b, layout::kClockBand) ? 1 : 0;
    }
    ASSERT_GE(pairs, 2) << "too few pairs of shots fell within one second to tell";
    EXPECT_GE(steady, pairs - 1) << steady << " of " << pairs << " pairs within one second showed the same clock";
}

// The clock's thread lets the kernel move its wake-ups by tens of
// milliseconds, to share them with other programs' (read once the clock
// runs its loop: it has shown a new second).
TEST_F(ClockWindow, WakesWithTheSlackOfABackgroundProgram)
{
    start();
    ASSERT_TRUE(waitUntil(10s, [&] { return pixels::count(shot(), layout::kClockBand, pixels::aqua) > 300; }));
    const QImage first = shot();
    ASSERT_TRUE(waitUntil(10s, [&] { return !pixels::sameArea(first, shot(), layout::kClockBand); }));
    std::ifstream slack("/proc/" + std::to_string(zum().pid()) + "/timerslack_ns");
    unsigned long nanoseconds = 0;
    ASSERT_TRUE(slack >> nanoseconds) << "no timer slack to read for the program";
    EXPECT_EQ(nanoseconds, 50'000'000ul);
}

struct LocaleCase {
    const char* locale;
    const char* otherFormat;  // strftime format of the wrong shape for this locale
};

void PrintTo(const LocaleCase& c, std::ostream* os)
{
    *os << c.locale;
}

class ClockFormat : public ZumFixture, public ::testing::WithParamInterface<LocaleCase> {
protected:
    void SetUp() override
    {
        if (!localeInstalled(GetParam().locale))
            GTEST_SKIP() << "locale " << GetParam().locale << " is not installed here (locale-gen it)";
        ZumFixture::SetUp();
    }
};

std::string formatNow(const char* format, std::time_t when)
{
    std::tm local{};
    localtime_r(&when, &local);
    char buf[64];
    size_t n = std::strftime(buf, sizeof buf, format, &local);
    return std::string(buf, n);
}

// The clock's ink is as wide as the locale's time text in the clock's font
// and clearly not as wide as the other shape of time text.
TEST_P(ClockFormat, LabelIsAsWideAsTheLocalesTimeText)
{
    const std::string locale = GetParam().locale;
    start({.locale = locale});
    ASSERT_TRUE(waitUntil(10s, [&] { return pixels::count(shot(), layout::kClockBand, pixels::aqua) > 300; }));

    constexpr int kTolerance = 8;
    int checked = 0;
    for (int attempt = 0; attempt < 8 && checked < 2; ++attempt) {
        waitPastTheTurn();
        std::time_t before = std::time(nullptr);
        QImage window = desktop_->windowShot(zum().window());
        std::time_t after = std::time(nullptr);
        if (before != after)
            continue;  // the second turned while the shot was taken
        const std::string expected = *timeText(locale, before);
        const std::string other = formatNow(GetParam().otherFormat, before);
        const int expectedWidth = inkWidth("Comic Neue", 48, true, QString::fromStdString(expected));
        const int otherWidth = inkWidth("Comic Neue", 48, true, QString::fromStdString(other));
        // The check only means something if the two shapes differ clearly.
        ASSERT_GT(std::abs(expectedWidth - otherWidth), 3 * kTolerance) << expected << " vs " << other;

        QRect ink = pixels::inkBox(window, layout::kClockBand, pixels::aqua);
        ASSERT_FALSE(ink.isNull());
        RecordProperty("expected_" + std::to_string(checked), expected + " " + std::to_string(expectedWidth) + " px");
        RecordProperty("seen_" + std::to_string(checked), std::to_string(ink.width()) + " px");
        EXPECT_NEAR(ink.width(), expectedWidth, kTolerance)
            << "clock ink " << ink.width() << " px for expected \"" << expected << "\" (" << expectedWidth << " px); \""
            << other << "\" would be " << otherWidth << " px";
        ++checked;
        // The next shot shows the next second.
        waitUntil(5s,
                  [&] { return !pixels::sameArea(window, desktop_->windowShot(zum().window()), layout::kClockBand); });
    }
    EXPECT_EQ(checked, 2) << "no shot fell within one second";
}

INSTANTIATE_TEST_SUITE_P(Locales, ClockFormat,
                         ::testing::Values(LocaleCase{"C", "%I:%M:%S %p"}, LocaleCase{"en_US.UTF-8", "%H:%M:%S"},
                                           LocaleCase{"de_DE.UTF-8", "%I:%M:%S PM"}),
                         [](const auto& info) {
                             std::string name = info.param.locale;
                             std::erase_if(name, [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); });
                             return name;
                         });

struct CloseCase {
    const char* name;
    bool armed;
    bool byMenu;
};

void PrintTo(const CloseCase& c, std::ostream* os)
{
    *os << c.name;
}

class Closing : public ZumFixture, public ::testing::WithParamInterface<CloseCase> {};

// Closing asks nothing and saves nothing: the alarm file stays as it was.
TEST_P(Closing, EndsWithExitCodeZero)
{
    if (GetParam().armed)
        writeAlarmFile("07:30:00", (scratch() / "ring.wav").string());
    start();
    if (GetParam().armed) {
        ASSERT_TRUE(waitUntil(10s, [&] { return pixels::count(shot(), layout::kArmedSquare, pixels::red) == 64; }))
            << "an alarm file at start should arm";
    }
    if (GetParam().byMenu) {
        menu("e");
        EXPECT_EQ(zum().exitCode(10s), std::optional<int>(0));
    } else {
        EXPECT_EQ(closeByButton(), 0);
    }
    EXPECT_EQ(std::filesystem::exists(alarmFile()), GetParam().armed);
}

INSTANTIATE_TEST_SUITE_P(Ways, Closing,
                         ::testing::Values(CloseCase{"CloseButton", false, false},
                                           CloseCase{"CloseButtonArmed", true, false},
                                           CloseCase{"ExitItem", false, true}, CloseCase{"ExitItemArmed", true, true}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
