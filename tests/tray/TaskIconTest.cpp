#include <gtest/gtest.h>

#include <QDir>
#include <QCursor>
#include <QObject>
#include <QTemporaryDir>

#include <fstream>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "IconBytes.h"
#include "tests/fakes/FakeTrayBackend.h"
#include "tray/TaskIcon.h"

namespace {

// A component on a fake tray, with its events written to a log. Frame files
// live in a directory of the test, which is the working directory while the
// test runs: names are opened upper-cased, so they are given relative.
class TaskIconTest : public ::testing::Test {
public:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        oldDirectory = QDir::currentPath();
        ASSERT_TRUE(QDir::setCurrent(dir.path()));
        icon = Make("TaskIcon1", &area);
        icon->OnClick = [this](TTaskIcon* sender) { Log("Click", sender); };
        icon->OnDblClick = [this](TTaskIcon* sender) { Log("DblClick", sender); };
        icon->OnRightClick = [this](TTaskIcon* sender, TMouseButton button, TShiftState shift, int x, int y) {
            Log("RightClick(" + std::to_string(static_cast<int>(button)) + "," + std::to_string(shift) + "," +
                    std::to_string(x) + "," + std::to_string(y) + ")",
                sender);
        };
        icon->OnAnimate = [this](TTaskIcon* sender) { Log("Animate" + std::to_string(sender->FrameIndex()), sender); };
        pictureA.LoadFromBytes(MakeIconFile(0xFF0000));
        pictureB.LoadFromBytes(MakeIconFile(0x0000FF));
    }
    // A component on a fake tray of its own, which `tray` is pointed at.
    std::unique_ptr<TTaskIcon> Make(const std::string& name, FakeTrayBackend** tray, QObject* owner = nullptr)
    {
        auto backend = std::make_unique<FakeTrayBackend>();
        *tray = backend.get();
        return std::make_unique<TTaskIcon>(owner != nullptr ? owner : &parent, name, std::move(backend));
    }
    void TearDown() override
    {
        icon.reset();
        QDir::setCurrent(oldDirectory);
    }
    void Log(const std::string& what, TTaskIcon* sender)
    {
        EXPECT_EQ(sender, icon.get());
        events += (events.empty() ? "" : " ") + what;
    }
    // Writes a frame file whose single colour tells it apart.
    void Frame(const std::string& name, std::uint32_t rgb)
    {
        std::ofstream(name, std::ios::binary) << AsString(MakeIconFile(rgb));
    }
    static std::uint32_t Colour(const QIcon& picture)
    {
        return picture.isNull() ? 0xDEAD : (picture.pixmap(32, 32).toImage().pixel(3, 3) & 0xFFFFFF);
    }
    const FakeTrayBackend::Request& Last() const { return area->requests.back(); }
    // A tick of the animation timer, where it runs.
    void Tick()
    {
        if (icon->AnimationTimer().isActive())
            icon->WMTIMER(147);
    }
    static std::string TimerState(const TTaskIcon& component)
    {
        const QTimer& timer = component.AnimationTimer();
        return timer.isActive() ? "running(" + std::to_string(timer.interval()) + ")" : "stopped";
    }

    QTemporaryDir dir;
    QString oldDirectory;
    QObject parent;
    FakeTrayBackend* area = nullptr;
    std::unique_ptr<TTaskIcon> icon;
    TIcon pictureA;
    TIcon pictureB;
    std::string events;
};

TEST_F(TaskIconTest, StartsInactiveWithItsDefaults)
{
    EXPECT_FALSE(icon->Active());
    EXPECT_TRUE(icon->Icon().Empty());
    EXPECT_TRUE(icon->DisabledIcon().Empty());
    EXPECT_TRUE(icon->FrameIcon().Empty());
    EXPECT_EQ(icon->Hint(), "");
    EXPECT_FALSE(icon->ShowHint());
    EXPECT_EQ(icon->TaskIconID(), 0u);
    EXPECT_EQ(icon->State(), TStateTaskIcon::tiEnabled);
    EXPECT_TRUE(icon->IconList().empty());
    EXPECT_EQ(icon->Interval(), 1000u);
    EXPECT_EQ(icon->WhereIcons, TWhereTaskIcon::tiInFiles);
    EXPECT_EQ(icon->FrameIndex(), 0);
    EXPECT_EQ(icon->TimerID(), 147u);
    EXPECT_TRUE(area->requests.empty());
}

TEST_F(TaskIconTest, ActivationAddsTheIconFilledFromTheProperties)
{
    icon->SetIcon(&pictureA);
    icon->SetHint("AlarmTime:07:30:00");
    icon->SetShowHint(true);
    icon->SetTaskIconID(5);
    ASSERT_TRUE(area->requests.empty()) << "setters while inactive only store";
    icon->SetActive(true);
    EXPECT_TRUE(icon->Active());
    ASSERT_EQ(area->Names(), "Add");
    EXPECT_EQ(Last().id, 5u);
    EXPECT_EQ(Colour(Last().look.picture), 0xFF0000u);
    EXPECT_EQ(Last().look.tip, "AlarmTime:07:30:00");
}

TEST_F(TaskIconTest, SameActiveValueSendsNothingAndRefusalsLeaveActive)
{
    icon->SetActive(false);
    EXPECT_TRUE(area->requests.empty());

    area->acceptAdd = false;
    icon->SetActive(true);
    EXPECT_FALSE(icon->Active()) << "a refused add is not shown";
    EXPECT_EQ(area->Names(), "Add");

    area->acceptAdd = true;
    icon->SetActive(true);
    EXPECT_TRUE(icon->Active());
    area->Forget();
    icon->SetActive(true);
    EXPECT_TRUE(area->requests.empty());

    area->acceptRemove = false;
    icon->SetActive(false);
    EXPECT_TRUE(icon->Active()) << "a refused removal keeps it shown";
    area->acceptRemove = true;
    icon->SetActive(false);
    EXPECT_FALSE(icon->Active());
    EXPECT_EQ(area->Names(), "Remove Remove");
}

TEST_F(TaskIconTest, NoTrayMeansTheAddIsRefused)
{
    area->available = false;
    icon->SetActive(true);
    EXPECT_FALSE(icon->Active());
}

TEST_F(TaskIconTest, HintIsCutComparedAndSentOnlyWhenShownAndChanged)
{
    icon->SetShowHint(true);
    icon->SetHint(std::string(70, 'h'));
    EXPECT_EQ(icon->Hint(), std::string(64, 'h'));
    EXPECT_TRUE(area->requests.empty());
    icon->SetActive(true);
    area->Forget();

    icon->SetHint(std::string(64, 'h'));  // the same text after the cut
    icon->SetHint(std::string(80, 'h'));
    EXPECT_TRUE(area->requests.empty()) << "an unchanged hint sends nothing";

    icon->SetHint("Disable");
    ASSERT_EQ(area->Names(), "Modify");
    EXPECT_EQ(Last().look.tip, "Disable");
    EXPECT_EQ(area->shown.begin()->second.tip, "Disable");
}

TEST_F(TaskIconTest, HiddenHintKeepsItsTextAndShowsWhenSwitchedOn)
{
    icon->SetHint("Disable");
    icon->SetActive(true);
    EXPECT_EQ(Last().look.tip, "");
    EXPECT_EQ(icon->Hint(), "Disable");
    icon->SetShowHint(true);
    ASSERT_EQ(area->Names(), "Add Modify");
    EXPECT_EQ(Last().look.tip, "Disable");
    icon->SetShowHint(false);
    EXPECT_EQ(Last().look.tip, "");
}

// Every setter, while shown, sends one modify filled from the new values;
// setting an equal value again sends nothing (pictures are copied, not
// compared, so only the component's own picture counts as the same).
struct SetterCase {
    const char* name;
    std::function<void(TTaskIcon&)> prepare;
    std::function<void(TaskIconTest&, TTaskIcon&)> set;
    std::function<void(const FakeTrayBackend::Request&)> check;
    bool repeatSendsNothing;
};

void PrintTo(const SetterCase& c, std::ostream* out)
{
    *out << c.name;
}

class TaskIconSetters : public TaskIconTest, public ::testing::WithParamInterface<SetterCase> {};

TEST_P(TaskIconSetters, StoreWhileInactiveAndModifyWhileShown)
{
    const SetterCase& c = GetParam();
    c.prepare(*icon);
    c.set(*this, *icon);
    EXPECT_TRUE(area->requests.empty()) << "inactive: only stored";
    icon->SetActive(true);
    ASSERT_EQ(area->Names(), "Add");
    c.check(Last());  // the activation uses the stored value

    FakeTrayBackend* tray = nullptr;
    auto fresh = Make("TaskIcon2", &tray);
    c.prepare(*fresh);
    fresh->SetActive(true);
    tray->Forget();
    c.set(*this, *fresh);
    ASSERT_EQ(tray->Names(), "Modify");
    c.check(tray->requests.back());
    tray->Forget();
    c.set(*this, *fresh);
    EXPECT_EQ(tray->requests.empty(), c.repeatSendsNothing);
}

INSTANTIATE_TEST_SUITE_P(
    Properties, TaskIconSetters,
    ::testing::Values(
        SetterCase{"Hint", [](TTaskIcon& i) { i.SetShowHint(true); },
                   [](TaskIconTest&, TTaskIcon& i) { i.SetHint("x"); },
                   [](const FakeTrayBackend::Request& d) { EXPECT_EQ(d.look.tip, "x"); }, true},
        SetterCase{"ShowHint", [](TTaskIcon& i) { i.SetHint("tip"); },
                   [](TaskIconTest&, TTaskIcon& i) { i.SetShowHint(true); },
                   [](const FakeTrayBackend::Request& d) { EXPECT_EQ(d.look.tip, "tip"); }, true},
        SetterCase{"TaskIconID", [](TTaskIcon&) {}, [](TaskIconTest&, TTaskIcon& i) { i.SetTaskIconID(9); },
                   [](const FakeTrayBackend::Request& d) { EXPECT_EQ(d.id, 9u); }, true},
        SetterCase{"Icon", [](TTaskIcon&) {}, [](TaskIconTest& t, TTaskIcon& i) { i.SetIcon(&t.pictureA); },
                   [](const FakeTrayBackend::Request& d) { EXPECT_FALSE(d.look.picture.isNull()); }, false},
        SetterCase{"DisabledIconShownInItsState", [](TTaskIcon& i) { i.SetState(TStateTaskIcon::tiDisabled); },
                   [](TaskIconTest& t, TTaskIcon& i) { i.SetDisabledIcon(&t.pictureB); },
                   [](const FakeTrayBackend::Request& d) {
                       EXPECT_EQ(d.look.picture.pixmap(32, 32).toImage().pixel(3, 3) & 0xFFFFFF, 0x0000FFu);
                   },
                   false}),
    [](const ::testing::TestParamInfo<SetterCase>& info) { return std::string(info.param.name); });

TEST_F(TaskIconTest, SettingItsOwnIconIsNothingAndNoPictureEmptiesIt)
{
    icon->SetIcon(&pictureA);
    icon->SetActive(true);
    area->Forget();
    icon->SetIcon(&icon->Icon());
    EXPECT_TRUE(area->requests.empty());
    icon->SetIcon(nullptr);
    ASSERT_EQ(area->Names(), "Modify");
    EXPECT_TRUE(Last().look.picture.isNull());
}

TEST_F(TaskIconTest, StatePicksThePicture)
{
    icon->SetIcon(&pictureA);
    icon->SetDisabledIcon(&pictureB);
    icon->SetActive(true);
    EXPECT_EQ(Colour(Last().look.picture), 0xFF0000u);
    icon->SetState(TStateTaskIcon::tiDisabled);
    EXPECT_EQ(Colour(Last().look.picture), 0x0000FFu);
    Frame("F0.ICO", 0x00FF00);
    icon->SetIconList({"f0.ico"});
    icon->SetState(TStateTaskIcon::tiAnimated);
    EXPECT_EQ(Colour(Last().look.picture), 0x00FF00u);
    EXPECT_EQ(TimerState(*icon), "running(1000)");
    icon->SetState(TStateTaskIcon::tiEnabled);
    EXPECT_EQ(Colour(Last().look.picture), 0xFF0000u);
    EXPECT_EQ(TimerState(*icon), "stopped");
}

struct ReportCase {
    const char* name;
    std::uint32_t id;
    TTrayActivation activation;
    std::string events;
};

void PrintTo(const ReportCase& c, std::ostream* out)
{
    *out << c.name;
}

class TaskIconReports : public TaskIconTest, public ::testing::WithParamInterface<ReportCase> {};

TEST_P(TaskIconReports, RaiseTheirEvent)
{
    icon->SetTaskIconID(3);
    icon->SetActive(true);
    QCursor::setPos(300, 200);
    area->Activate(GetParam().id, GetParam().activation);
    EXPECT_EQ(events, GetParam().events);
}

INSTANTIATE_TEST_SUITE_P(Activations, TaskIconReports,
                         ::testing::Values(ReportCase{"LeftRelease", 3, TTrayActivation::Click, "Click"},
                                           ReportCase{"LeftDoubleClick", 3, TTrayActivation::DoubleClick, "DblClick"},
                                           // Button 1 is the right button, no shift keys; the
                                           // pointer is read when the report is handled.
                                           ReportCase{"RightRelease", 3, TTrayActivation::Context,
                                                      "RightClick(1,0,300,200)"},
                                           ReportCase{"OtherIdentifier", 4, TTrayActivation::Click, ""},
                                           ReportCase{"OtherIdentifierRight", 0, TTrayActivation::Context, ""}),
                         [](const ::testing::TestParamInfo<ReportCase>& info) { return std::string(info.param.name); });

TEST_F(TaskIconTest, DoubleClickReportsClickDoubleClickClick)
{
    icon->SetActive(true);
    for (TTrayActivation activation : {TTrayActivation::Click, TTrayActivation::DoubleClick, TTrayActivation::Click})
        area->Activate(0, activation);
    EXPECT_EQ(events, "Click DblClick Click");
}

TEST_F(TaskIconTest, UnassignedEventsAreSkipped)
{
    icon->OnClick = nullptr;
    icon->OnRightClick = nullptr;
    icon->SetActive(true);
    area->Activate(0, TTrayActivation::Click);
    area->Activate(0, TTrayActivation::Context);
    EXPECT_EQ(events, "");
}

TEST_F(TaskIconTest, AnimationStepsThroughTheFramesWhileShown)
{
    Frame("A.ICO", 0x110000);
    Frame("B.ICO", 0x001100);
    Frame("C.ICO", 0x000011);
    icon->SetIconList({"a.ico", "b.ico", "c.ico"});
    icon->SetState(TStateTaskIcon::tiAnimated);  // inactive: loads the first frame
    EXPECT_EQ(icon->FrameName(), "A.ICO");
    EXPECT_TRUE(area->requests.empty());
    EXPECT_EQ(TimerState(*icon), "stopped");
    icon->SetActive(true);
    EXPECT_EQ(TimerState(*icon), "running(1000)");
    std::vector<std::uint32_t> colours{Colour(Last().look.picture)};
    for (int i = 0; i < 4; ++i) {
        Tick();
        colours.push_back(Colour(Last().look.picture));
    }
    EXPECT_EQ(colours, (std::vector<std::uint32_t>{0x110000, 0x001100, 0x000011, 0x110000, 0x001100}));
    EXPECT_EQ(events, "Animate1 Animate2 Animate0 Animate1");
    EXPECT_EQ(area->Names(), "Add Modify Modify Modify Modify");

    // A tick of another timer is not the animation's.
    icon->WMTIMER(148);
    EXPECT_EQ(icon->FrameIndex(), 1);
}

TEST_F(TaskIconTest, TicksWithNoNamesChangeNothing)
{
    icon->SetState(TStateTaskIcon::tiAnimated);
    icon->SetActive(true);
    area->Forget();
    Tick();
    Tick();
    EXPECT_TRUE(area->requests.empty());
    EXPECT_EQ(events, "");
    EXPECT_EQ(icon->FrameIndex(), 0);
}

TEST_F(TaskIconTest, DeactivatedAnimationGoesOnAdvancingUnseen)
{
    for (const char* name : {"A.ICO", "B.ICO", "C.ICO"})
        Frame(name, 0x123456);
    icon->SetIconList({"A.ICO", "B.ICO", "C.ICO"});
    icon->SetState(TStateTaskIcon::tiAnimated);
    icon->SetActive(true);
    icon->SetActive(false);
    area->Forget();
    Tick();
    Tick();
    EXPECT_EQ(icon->FrameIndex(), 2) << "the timer still runs";
    EXPECT_TRUE(area->requests.empty());
    EXPECT_EQ(events, "");
    icon->SetActive(true);
    EXPECT_EQ(icon->FrameIndex(), 0);
    EXPECT_EQ(icon->FrameName(), "A.ICO");
}

TEST_F(TaskIconTest, IntervalWhileShownRestartsTheTimerInAnyState)
{
    Frame("A.ICO", 0x010101);
    Frame("B.ICO", 0x020202);
    icon->SetIcon(&pictureA);
    icon->SetIconList({"A.ICO", "B.ICO"});
    icon->SetInterval(500);  // inactive: stored only
    EXPECT_EQ(TimerState(*icon), "stopped");
    icon->SetActive(true);
    EXPECT_EQ(TimerState(*icon), "stopped") << "tiEnabled starts no timer on activation";
    icon->SetInterval(250);
    EXPECT_EQ(TimerState(*icon), "running(250)");
    area->Forget();
    Tick();
    ASSERT_EQ(area->Names(), "Modify");
    EXPECT_EQ(Colour(Last().look.picture), 0xFF0000u) << "the modify still shows Icon";
    EXPECT_EQ(icon->FrameName(), "B.ICO");
    EXPECT_EQ(events, "") << "no OnAnimate outside tiAnimated";
}

TEST_F(TaskIconTest, MissingFrameFileFailsActivationInEveryState)
{
    for (TStateTaskIcon state : {TStateTaskIcon::tiEnabled, TStateTaskIcon::tiDisabled, TStateTaskIcon::tiAnimated}) {
        SCOPED_TRACE(static_cast<int>(state));
        FakeTrayBackend* tray = nullptr;
        auto component = Make("TaskIcon9", &tray);
        component->SetIconList({"missing.ico"});
        try {
            component->SetState(state);
        } catch (const std::exception&) {
            // tiAnimated loads the first frame at once
        }
        try {
            component->SetActive(true);
            ADD_FAILURE() << "activation did not fail";
        } catch (const std::exception& error) {
            EXPECT_EQ(std::string(error.what()), "Cannot open file MISSING.ICO");
        }
        EXPECT_FALSE(component->Active());
        EXPECT_TRUE(tray->requests.empty()) << "nothing added";
        EXPECT_EQ(TimerState(*component), "stopped") << "no timer started";
    }
}

TEST_F(TaskIconTest, FrameFileFailuresTellWhatIsWrong)
{
    std::ofstream("SHORT.ICO", std::ios::binary) << "ab";
    std::vector<std::uint8_t> cursor = MakeIconFile();
    cursor[2] = 2;
    std::ofstream("CURSOR.ICO", std::ios::binary) << AsString(cursor);
    for (const auto& [name, message] : std::vector<std::pair<std::string, std::string>>{
             {"short.ico", "Stream read error"}, {"cursor.ico", "Icon image is not valid"}}) {
        FakeTrayBackend* tray = nullptr;
        auto component = Make("TaskIcon9", &tray);
        component->SetIconList({name});
        try {
            component->SetActive(true);
            ADD_FAILURE() << name;
        } catch (const std::exception& error) {
            EXPECT_EQ(std::string(error.what()), message);
        }
        EXPECT_FALSE(component->Active());
    }
}

TEST_F(TaskIconTest, FailingStateChangeKeepsTheStateAndSendsNothing)
{
    icon->SetActive(true);
    area->Forget();
    icon->SetIconList({"gone.ico"});
    EXPECT_THROW(icon->SetState(TStateTaskIcon::tiAnimated), std::exception);
    EXPECT_EQ(icon->State(), TStateTaskIcon::tiAnimated);
    EXPECT_EQ(TimerState(*icon), "stopped");
    EXPECT_TRUE(area->requests.empty());
}

TEST_F(TaskIconTest, FailingTickAdvancesAndKeepsThePreviousFrame)
{
    Frame("A.ICO", 0x0A0A0A);
    Frame("C.ICO", 0x0C0C0C);
    icon->SetIconList({"A.ICO", "B.ICO", "C.ICO"});
    icon->SetState(TStateTaskIcon::tiAnimated);
    icon->SetActive(true);
    area->Forget();
    EXPECT_THROW(Tick(), std::exception);
    EXPECT_EQ(icon->FrameIndex(), 1);
    EXPECT_EQ(Colour(icon->FrameIcon().Handle()), 0x0A0A0Au);
    EXPECT_TRUE(area->requests.empty());
    EXPECT_EQ(events, "");
    Tick();  // the next tick goes on with the next frame
    EXPECT_EQ(icon->FrameIndex(), 2);
    EXPECT_EQ(Colour(Last().look.picture), 0x0C0C0Cu);
    EXPECT_EQ(events, "Animate2");
}

TEST_F(TaskIconTest, OnlyAsciiLettersAreUpperCasedAndLongNamesAreKeptWhole)
{
    const std::string name = "\xC3\xA4rger-" + std::string(60, 'z') + ".ico";
    icon->WhereIcons = TWhereTaskIcon::tiInExe;
    icon->SetIconList({name});
    icon->SetState(TStateTaskIcon::tiAnimated);
    EXPECT_EQ(icon->FrameName(), "\xC3\xA4RGER-" + std::string(60, 'Z') + ".ICO");
}

TEST_F(TaskIconTest, NoParentMeansNoWindowAndNothingAdded)
{
    FakeTrayBackend* tray = nullptr;
    auto orphan = Make("TaskIcon1", &tray);
    orphan->SetParent(nullptr);
    try {
        orphan->SetActive(true);
        ADD_FAILURE() << "no failure";
    } catch (const std::exception& error) {
        EXPECT_EQ(std::string(error.what()), "Control 'TaskIcon1' has no parent window");
    }
    EXPECT_FALSE(orphan->Active());
    EXPECT_TRUE(tray->requests.empty());
}

TEST_F(TaskIconTest, DestroyingAShownIconRemovesIt)
{
    // The tray goes with the component: what it was asked is kept outside.
    struct Journal : FakeTrayBackend {
        std::vector<std::string>* log = nullptr;
        bool Remove(std::uint32_t id) override
        {
            log->push_back("Remove " + std::to_string(id));
            return FakeTrayBackend::Remove(id);
        }
    };
    std::vector<std::string> log;
    auto backend = std::make_unique<Journal>();
    backend->log = &log;
    auto shown = std::make_unique<TTaskIcon>(&parent, "TaskIcon3", std::move(backend));
    shown->SetTaskIconID(4);
    shown->SetState(TStateTaskIcon::tiAnimated);
    shown->SetActive(true);
    shown.reset();
    EXPECT_EQ(log, std::vector<std::string>{"Remove 4"});
}

TEST_F(TaskIconTest, RemovalUsesTheIdentifierOfTheActivation)
{
    icon->SetActive(true);
    icon->SetTaskIconID(7);  // the modify goes under the new identifier, which the tray does not know
    EXPECT_EQ(Last().id, 7u);
    icon->SetActive(false);
    EXPECT_EQ(area->requests.back().what, "Remove");
    EXPECT_EQ(area->requests.back().id, 0u);
    EXPECT_FALSE(icon->Active());
}

}  // namespace
