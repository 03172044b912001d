// The Set Time dialog: where it opens, what it starts with, and which of its
// ways out change the alarm time. The alarm time is read back by arming from
// an alarm file and letting "Update Shanges" write the window's alarm time.

#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <ctime>
#include <functional>
#include <set>
#include <thread>

#include "Layout.h"
#include "Pixels.h"
#include "Poll.h"
#include "TextWidth.h"
#include "TimeText.h"
#include "ZumFixture.h"

using namespace std::chrono_literals;

namespace {

class SetTimeDialog : public ZumFixture {
protected:
    void startArmed(const std::string& locale = "C")
    {
        sound_ = (scratch() / "ring.wav").string();
        writeAlarmFile("07:30:00", sound_);
        start({.locale = locale});
        ASSERT_TRUE(waitUntil(10s, [&] { return pixels::count(shot(), layout::kArmedSquare, pixels::red) == 64; }))
            << "not armed from the alarm file";
    }
    // The alarm time the window holds now.
    std::optional<std::string> alarmTextShown()
    {
        std::filesystem::remove(alarmFile());
        menu("u");
        // The file is put in place whole, by a rename.
        if (!waitUntil(10s, [&] { return std::filesystem::exists(alarmFile()); }))
            return std::nullopt;
        auto text = readAlarmFile();
        if (!text)
            return std::nullopt;
        auto end = text->find("\r\n");
        return end == std::string::npos ? *text : text->substr(0, end);
    }
    // The dialog's own frame: a caption bar in the highlight colour with
    // the title at its left and nothing at its right (no buttons), and the
    // instruction drawn whole inside its box.
    void expectOwnFrame(const Desktop::WindowId& dialog)
    {
        const QImage window = desktop_->settledShot(dialog, 5s);
        ASSERT_FALSE(window.isNull());
        const QRect caption = layout::kSetTimeCaption;
        const QRect captionRight(caption.x() + 60, caption.y(), caption.width() - 60, caption.height());
        EXPECT_EQ(pixels::count(window, captionRight, pixels::highlight), captionRight.width() * captionRight.height())
            << "something lies on the caption bar's right";
        const QRect title = pixels::inkBox(window, caption, pixels::white);
        EXPECT_TRUE(title.isValid() && title.width() > 30 && title.left() < caption.left() + 6) << "no title";
        auto ink = [](QRgb c) { return qGray(c) < 110; };
        const QRect instruction = layout::kSetTimeInstruction;
        const QRect line(instruction.x(), instruction.y(), layout::kTimeEdit.width(), instruction.height());
        const QRect drawn = pixels::inkBox(window, line, ink);
        // Drawn whole in the narrow sans that stands in for the designed
        // one: a wider face would be cut at the box's end.
        const int whole =
            inkWidth("Liberation Sans Narrow", 11, false, QStringLiteral("Set Time For Example 23:09:10"));
        EXPECT_LE(std::abs(drawn.width() - whole), 3)
            << "the instruction's ink is " << drawn.width() << " px wide, not " << whole;
        EXPECT_LE(drawn.right(), instruction.right()) << "the instruction runs past its box";
    }
    std::string sound_;
};

TEST_F(SetTimeDialog, OpensAtItsPlaceWithTheTimeOfNow)
{
    const std::string locale = localeInstalled("en_US.UTF-8") ? "en_US.UTF-8" : "C";
    startArmed(locale);
    const std::time_t before = std::time(nullptr);
    const std::optional<Desktop::WindowId> dialog = openSetTime();
    const std::time_t after = std::time(nullptr);
    auto g = desktop_->geometry(*dialog);
    ASSERT_TRUE(g);
    EXPECT_EQ(*g, layout::kSetTimeDialog)
        << "at " << g->x() << "," << g->y() << " size " << g->width() << "x" << g->height();
    expectOwnFrame(*dialog);

    // Enter in the text box is not "Ok": the dialog stays. The key after it
    // (End, which ends the selection) shows it was handled.
    selectAllInTimeEdit(*dialog);
    desktop_->key("Return");
    desktop_->key("End");
    EXPECT_TRUE(waitUntil(10s, [&] {
        return pixels::count(desktop_->windowShot(*dialog), layout::kTimeEdit, pixels::highlight) == 0;
    })) << "the selection stayed after Enter and End";
    EXPECT_TRUE(desktop_->anyVisibleNamed("^Set Time$")) << "Enter closed the dialog";

    desktop_->clickCentre(*dialog, layout::kOkButton);
    ASSERT_TRUE(waitGone("^Set Time$", 5s));
    std::set<std::string> possible;
    for (std::time_t t = before; t <= after; ++t)
        possible.insert(*timeText(locale, t));
    auto shown = alarmTextShown();
    ASSERT_TRUE(shown);
    EXPECT_TRUE(possible.contains(*shown))
        << "pre-filled \"" << *shown << "\", expected the time text of " << *possible.begin();
}

class SetTimeDialogFramed : public SetTimeDialog {
protected:
    XDisplay::Options displayOptions() const override { return {.windowManager = true}; }
    std::string netState(const Desktop::WindowId& dialog) const
    {
        return runCommand({"xprop", "-id", dialog, "_NET_WM_STATE"}, display_->environment()).out;
    }
    // Asks the manager to change a window state; once `then`, asked after
    // it, shows in the window's state the manager has handled the first.
    void askManager(const Desktop::WindowId& dialog, const std::vector<std::string>& request, const std::string& then)
    {
        runCommand(request, display_->environment());
        runCommand({"wmctrl", "-i", "-r", dialog, "-b", "add," + then}, display_->environment());
        const std::string shown = "_NET_WM_STATE_" + QString::fromStdString(then).toUpper().toStdString();
        ASSERT_TRUE(waitUntil(5s, [&] { return netState(dialog).find(shown) != std::string::npos; }))
            << "the window manager did not handle the requests: " << netState(dialog);
    }
};

// Under a window manager the dialog wears its own frame as on a bare
// server: the manager adds none, and the dialog undoes a maximise or a
// minimise asked of the manager.
TEST_F(SetTimeDialogFramed, KeepsItsOwnFrameAndCannotBeMaximisedOrMinimised)
{
    startArmed();
    const Desktop::WindowId dialog = openSetTime();
    std::optional<std::array<int, 4>> frame;
    ASSERT_TRUE(waitUntil(5s, [&] { return (frame = frameExtents(dialog)).has_value(); }))
        << "the window manager did not take the dialog in";
    EXPECT_EQ(*frame, (std::array<int, 4>{0, 0, 0, 0})) << "the window manager framed the dialog";
    EXPECT_TRUE(waitUntil(5s, [&] { return desktop_->geometry(dialog) == layout::kSetTimeDialog; }));
    expectOwnFrame(dialog);

    auto atItsPlace = [&] {
        return netState(dialog).find("MAXIMIZED") == std::string::npos &&
               desktop_->geometry(dialog) == layout::kSetTimeDialog && isVisible(dialog);
    };
    askManager(dialog, {"wmctrl", "-i", "-r", dialog, "-b", "add,maximized_vert,maximized_horz"}, "above");
    EXPECT_TRUE(waitUntil(5s, atItsPlace)) << "maximised: " << netState(dialog);
    askManager(dialog, {"xdotool", "windowminimize", dialog}, "below");
    EXPECT_TRUE(waitUntil(5s, atItsPlace)) << "minimised: " << netState(dialog);

    desktop_->clickCentre(dialog, layout::kCancelButton);
    EXPECT_TRUE(waitGone("^Set Time$", 5s));
}

// On a bare server no one else moves or sizes the dialog: a drag on its
// caption bar moves it, a drag on its border's corner sizes it.
TEST_F(SetTimeDialog, TheCaptionBarMovesItAndTheBorderSizesIt)
{
    startArmed();
    const Desktop::WindowId dialog = openSetTime();
    auto drag = [&](QPoint from, QPoint step, const std::function<bool(int)>& stepShown) {
        desktop_->moveTo(dialog, from.x(), from.y());
        runCommand({"xdotool", "mousedown", "1"}, display_->environment());
        for (int i = 1; i <= 4; ++i) {
            runCommand({"xdotool", "mousemove_relative", "--", std::to_string(step.x()), std::to_string(step.y())},
                       display_->environment());
            if (!waitUntil(5s, [&] { return stepShown(i); }))
                break;
        }
        runCommand({"xdotool", "mouseup", "1"}, display_->environment());
        return stepShown(4);
    };
    const QPoint start = layout::kSetTimeDialog.topLeft();
    EXPECT_TRUE(drag(layout::kSetTimeCaption.center(), {10, 5}, [&](int i) {
        auto g = desktop_->geometry(dialog);
        return g && g->topLeft() == start + QPoint(10, 5) * i && g->size() == layout::kSetTimeDialog.size();
    })) << "the caption bar did not move the dialog";
    const QSize size = layout::kSetTimeDialog.size();
    EXPECT_TRUE(drag({size.width() - 2, size.height() - 2}, {5, 3}, [&](int i) {
        auto g = desktop_->geometry(dialog);
        return g && g->size() == size + QSize(5, 3) * i && g->topLeft() == start + QPoint(40, 20);
    })) << "the border did not size the dialog";
    // The controls keep their places in the grown client area.
    expectOwnFrame(dialog);
}

struct Entry {
    const char* name;
    const char* typed;
    bool ok;
    const char* alarmText;  // what the window holds afterwards
};

void PrintTo(const Entry& e, std::ostream* os)
{
    *os << e.name;
}

class SetTimeEntry : public SetTimeDialog, public ::testing::WithParamInterface<Entry> {};

// Any text is taken as typed on "Ok", the empty one too; "Cancel" keeps the
// old time.
TEST_P(SetTimeEntry, ChangesTheAlarmTimeOnlyOnOk)
{
    startArmed();
    setTime(GetParam().typed, GetParam().ok);
    EXPECT_EQ(alarmTextShown(), std::optional<std::string>(GetParam().alarmText));
}

INSTANTIATE_TEST_SUITE_P(Entries, SetTimeEntry,
                         ::testing::Values(Entry{"OkTakesAnyText", "hello", true, "hello"},
                                           Entry{"OkTakesTheEmptyText", "", true, ""},
                                           Entry{"OkTakesAPartialTime", "7:30", true, "7:30"},
                                           Entry{"CancelKeepsTheOldTime", "hello", false, "07:30:00"}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
