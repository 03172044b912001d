// The Set Time dialog: where it opens, what it starts with, and which of its
// ways out change the alarm time. The alarm time is read back by arming from
// an alarm file and letting "Update Shanges" write the window's alarm time.

#include <chrono>
#include <cstdio>
#include <ctime>
#include <set>
#include <thread>

#include "Layout.h"
#include "Pixels.h"
#include "Poll.h"
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
    EXPECT_EQ(*g, layout::kSetTimeDialog) << "at " << g->x() << "," << g->y() << " size " << g->width() << "x"
                                          << g->height();

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
    EXPECT_TRUE(possible.contains(*shown)) << "pre-filled \"" << *shown << "\", expected the time text of "
                                           << *possible.begin();
}

class SetTimeDialogFramed : public SetTimeDialog {
protected:
    XDisplay::Options displayOptions() const override { return {.windowManager = true}; }
};

// Under a window manager the dialog gets a frame with a caption bar; the
// frame's outer corner is the designed place and the client keeps its size.
TEST_F(SetTimeDialogFramed, FrameStandsAtTheDesignedPlace)
{
    startArmed();
    const std::optional<Desktop::WindowId> dialog = openSetTime();
    std::optional<std::array<int, 4>> frame;
    ASSERT_TRUE(waitUntil(5s, [&] { return (frame = frameExtents(*dialog)).has_value(); }))
        << "the window manager gave the dialog no frame";
    EXPECT_GT((*frame)[2], 0) << "no caption bar";
    std::optional<QRect> g;
    // The manager may place the frame a moment after mapping the window.
    EXPECT_TRUE(waitUntil(10s, [&] {
        g = desktop_->geometry(*dialog);
        return g && g->x() - (*frame)[0] == layout::kSetTimeDialog.x();
    })) << "the frame did not reach the designed place";
    ASSERT_TRUE(g);
    EXPECT_EQ(g->size(), layout::kSetTimeDialog.size());
    EXPECT_EQ(QPoint(g->x() - (*frame)[0], g->y() - (*frame)[2]), layout::kSetTimeDialog.topLeft())
        << "client at " << g->x() << "," << g->y();

    // The dialog offers the manager no close, minimise or maximise function
    // (Motif hints: flags, functions, decorations, ...).
    auto hints = runCommand({"xprop", "-id", *dialog, "_MOTIF_WM_HINTS"}, display_->environment()).out;
    unsigned flags = 0, functions = 0;
    ASSERT_EQ(std::sscanf(hints.c_str(), "_MOTIF_WM_HINTS(_MOTIF_WM_HINTS) = %x, %x", &flags, &functions), 2)
        << "no window manager hints: " << hints;
    constexpr unsigned kFunctionsGiven = 1, kAll = 1, kMinimise = 8, kMaximise = 16, kClose = 32;
    EXPECT_TRUE(flags & kFunctionsGiven) << hints;
    EXPECT_EQ(functions & (kAll | kMinimise | kMaximise | kClose), 0u) << hints;

    desktop_->clickCentre(*dialog, layout::kCancelButton);
    EXPECT_TRUE(waitGone("^Set Time$", 5s));
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
