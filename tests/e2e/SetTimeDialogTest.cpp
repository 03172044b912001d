// The Set Time dialog: where it opens, what it starts with, and which of its
// ways out change the alarm time. The alarm time is read back by arming from
// an alarm file and letting "Update Shanges" write the window's alarm time.

#include <chrono>
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
        ASSERT_TRUE(waitUntil(3s, [&] { return pixels::count(shot(), layout::kArmedSquare, pixels::red) == 64; }));
    }
    // The alarm time the window holds now.
    std::optional<std::string> alarmTextShown()
    {
        std::filesystem::remove(alarmFile());
        menu("u");
        if (!waitUntil(3s, [&] { return std::filesystem::exists(alarmFile()); }))
            return std::nullopt;
        std::this_thread::sleep_for(100ms);
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
    menu("s");
    auto dialog = desktop_->findVisibleByName("^Set Time$", 10s);
    const std::time_t after = std::time(nullptr);
    ASSERT_TRUE(dialog) << "no window named \"Set Time\"";
    auto g = desktop_->geometry(*dialog);
    ASSERT_TRUE(g);
    EXPECT_EQ(*g, layout::kSetTimeDialog) << "at " << g->x() << "," << g->y() << " size " << g->width() << "x"
                                          << g->height();

    // Enter in the text box is not "Ok": the dialog stays.
    desktop_->click(*dialog, layout::kTimeEdit.center().x(), layout::kTimeEdit.center().y());
    desktop_->key("Return");
    std::this_thread::sleep_for(500ms);
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

struct Entry {
    const char* name;
    const char* typed;
    bool ok;
    const char* alarmText;  // what the window holds afterwards
};

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
