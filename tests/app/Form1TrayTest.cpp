#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "app/ApplicationTitle.h"
#include "settings/AutostartEntry.h"
#include "app/ExceptionBox.h"
#include "app/Form1.h"
#include "tests/app/Form1Fixture.h"
#include "app/SpeedButton.h"
#include "tests/fakes/FakeMediaDevice.h"
#include "tests/fakes/FakeTrayBackend.h"
#include "tests/support/FakeClock.h"
#include "tests/support/Files.h"
#include "tray/TaskIcon.h"

namespace {

// The main window on a fake tray; the test ticks the clock itself.
class Form1TrayTest : public Form1Fixture {
protected:
    TForm1& Form()
    {
        if (!form) {
            TForm1Services services = Services();
            services.makeTrayBackend = [this] {
                auto made = std::make_unique<FakeTrayBackend>();
                made->available = trayAvailable;
                area = made.get();
                return made;
            };
            form = std::make_unique<TForm1>(std::move(services));
            form->Timer1->stop();
        }
        return *form;
    }
    // Starts the window as the program entry would.
    TForm1& Start()
    {
        TForm1& f = Form();
        if (f.ShowOnStart())
            f.show();
        return f;
    }
    void Arm(const QString& alarm)
    {
        Form().Label2->setText(alarm);
        Form().Label3->setText(QStringLiteral("/ring.wav"));
        Form().SpeedButton4Click();
    }
    std::string MarkerPath() const { return StatePath("Zum.dat"); }
    std::string EntryPath() const { return config.path().toStdString() + "/autostart/ZUM.desktop"; }
    void Report(TTrayActivation activation) { area->Activate(0, activation); }
    const std::string& Tip() const { return area->shown.begin()->second.tip; }

    bool trayAvailable = true;
    FakeTrayBackend* area = nullptr;
};

TEST_F(Form1TrayTest, TheIconIsTheBuiltInPictureWithHintsOnAndNotShownAtStart)
{
    TForm1& f = Start();
    TTaskIcon& icon = *f.TaskIcon1;
    EXPECT_FALSE(icon.Active());
    EXPECT_TRUE(icon.ShowHint());
    EXPECT_EQ(icon.TaskIconID(), 0u);
    EXPECT_EQ(icon.State(), TStateTaskIcon::tiEnabled);
    EXPECT_EQ(icon.Interval(), 1000u);
    EXPECT_EQ(icon.WhereIcons, TWhereTaskIcon::tiInFiles);
    EXPECT_EQ(icon.Icon().Handle().pixmap(32, 32).size(), QSize(32, 32));
    EXPECT_TRUE(area->requests.empty());
    EXPECT_TRUE(f.isVisible());
    EXPECT_EQ(icon.Hint(), "Disable") << "the first hint, by the immediate rule";
}

TEST_F(Form1TrayTest, FirstHintOfARestoredAlarmIsTheAlarmTextAlone)
{
    std::ofstream(StatePath("KPT.dat"), std::ios::binary) << "07:30:00\r\n/ring.wav\r\n";
    TForm1& f = Start();
    EXPECT_EQ(f.TaskIcon1->Hint(), "07:30:00");
    f.Timer1Timer();
    EXPECT_EQ(f.TaskIcon1->Hint(), "AlarmTime:07:30:00");
}

struct HintCase {
    const char* name;
    std::string alarm;  // UTF-8
    std::string refresh;
    std::string immediate;
};

void PrintTo(const HintCase& c, std::ostream* out)
{
    *out << c.name;
}

class Form1Hints : public Form1TrayTest, public ::testing::WithParamInterface<HintCase> {};

TEST_P(Form1Hints, FollowArmingAndTheTick)
{
    TForm1& f = Start();
    Arm(QString::fromUtf8(GetParam().alarm));
    EXPECT_EQ(f.TaskIcon1->Hint(), GetParam().immediate);
    f.Timer1Timer();
    EXPECT_EQ(f.TaskIcon1->Hint(), GetParam().refresh);
    f.SpeedButton5Click();
    EXPECT_EQ(f.TaskIcon1->Hint(), "Disable");
    f.Timer1Timer();
    EXPECT_EQ(f.TaskIcon1->Hint(), "Disable");
}

std::string Repeat(const std::string& piece, int times)
{
    std::string out;
    for (int i = 0; i < times; ++i)
        out += piece;
    return out;
}

INSTANTIATE_TEST_SUITE_P(
    Alarms, Form1Hints,
    ::testing::Values(
        HintCase{"Time", "07:30:00", "AlarmTime:07:30:00", "07:30:00"},
        HintCase{"FiftyFour", std::string(54, '7'), "AlarmTime:" + std::string(54, '7'), std::string(54, '7')},
        // Longer than 54: the refresh hint is 64 characters in all.
        HintCase{"FiftyFive", std::string(55, '7'), "AlarmTime:" + std::string(54, '7'), std::string(55, '7')},
        HintCase{"Seventy", std::string(70, '9'), "AlarmTime:" + std::string(54, '9'), std::string(64, '9')},
        // Characters, not bytes, and never half a character.
        HintCase{"Cyrillic", Repeat("\xD0\x96", 60), "AlarmTime:" + Repeat("\xD0\x96", 54), Repeat("\xD0\x96", 60)},
        HintCase{"Emoji", Repeat("\xF0\x9F\x95\x90", 70), "AlarmTime:" + Repeat("\xF0\x9F\x95\x90", 54),
                 Repeat("\xF0\x9F\x95\x90", 64)}),
    [](const ::testing::TestParamInfo<HintCase>& info) { return std::string(info.param.name); });

TEST_F(Form1TrayTest, AnUnchangedTickSendsNothingToTheTray)
{
    TForm1& f = Start();
    Arm(QStringLiteral("07:30:00"));
    f.SpeedButton2Click();
    f.Timer1Timer();
    EXPECT_EQ(Tip(), "AlarmTime:07:30:00");
    area->Forget();
    for (int i = 0; i < 20; ++i) {
        f.Timer1Timer();
        ++clock.now;
    }
    EXPECT_TRUE(area->requests.empty());
    f.Label2->setText(QStringLiteral("08:00:00"));
    f.Timer1Timer();
    EXPECT_EQ(area->Names(), "Modify");
    EXPECT_EQ(Tip(), "AlarmTime:08:00:00");
}

TEST_F(Form1TrayTest, HideIntoTheTrayShowsTheIconWithTheImmediateHint)
{
    TForm1& f = Start();
    Arm(QStringLiteral("07:30:00"));
    f.SpeedButton2Click();
    EXPECT_TRUE(f.TaskIcon1->Active());
    EXPECT_FALSE(f.isVisible());
    EXPECT_EQ(Tip(), "07:30:00");
    f.Timer1Timer();
    EXPECT_EQ(Tip(), "AlarmTime:07:30:00");
    EXPECT_TRUE(shown.empty());
}

TEST_F(Form1TrayTest, DoubleClickAndShowBringTheWindowBackAndKeepTheIcon)
{
    TForm1& f = Start();
    f.SpeedButton2Click();
    Report(TTrayActivation::Click);
    EXPECT_FALSE(f.isVisible()) << "a single click does nothing";
    Report(TTrayActivation::DoubleClick);
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.TaskIcon1->Active()) << "the icon stays once shown";

    f.SpeedButton2Click();
    EXPECT_FALSE(f.isVisible());
    f.Show1->trigger();
    EXPECT_TRUE(f.isVisible());

    // Already visible: still visible, nothing sent to the tray.
    area->Forget();
    Report(TTrayActivation::DoubleClick);
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(area->requests.empty());
}

TEST_F(Form1TrayTest, RightClickOpensTheTrayMenuAtThePointerAlsoWhileHidden)
{
    TForm1& f = Start();
    f.SpeedButton2Click();
    ASSERT_FALSE(f.isVisible());
    QCursor::setPos(300, 200);
    Report(TTrayActivation::Context);
    // While the program still counts as active with its window gone, the
    // menu waits for that to pass, a second at most.
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.PopupMenu2->isVisible(); }, 3000));
    EXPECT_EQ(f.PopupMenu2->pos(), QPoint(300, 200));
    EXPECT_FALSE(f.PopupMenu1->isVisible());
    f.PopupMenu2->hide();
    EXPECT_FALSE(f.isVisible()) << "opening the tray menu leaves the window hidden";
}

TEST_F(Form1TrayTest, TrayMenuHoldsExitAndShow)
{
    TForm1& f = Form();
    const QList<QAction*> items = f.PopupMenu2->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), "Exit");
    EXPECT_EQ(items[1]->text(), "Show");
}

TEST_F(Form1TrayTest, WithoutATrayHidingKeepsTheWindowAndALaterTrayGetsTheIcon)
{
    trayAvailable = false;
    TForm1& f = Start();
    f.SpeedButton2Click();
    EXPECT_TRUE(f.isVisible()) << "no icon, so the window stays";
    EXPECT_FALSE(f.TaskIcon1->Active());
    EXPECT_TRUE(f.TaskIcon1->TrayWatch().isActive());
    f.TaskIcon1->WatchTray();
    EXPECT_FALSE(f.TaskIcon1->Active());

    area->available = true;
    f.TaskIcon1->WatchTray();
    EXPECT_TRUE(f.TaskIcon1->Active()) << "the icon asked for appears in the new tray";
    EXPECT_TRUE(f.isVisible()) << "the window is not taken away under the user";
    EXPECT_EQ(Tip(), "Disable");
}

TEST_F(Form1TrayTest, TrayGoingAwayWhileHiddenBringsTheWindowBack)
{
    TForm1& f = Start();
    f.SpeedButton2Click();
    ASSERT_FALSE(f.isVisible());
    f.TaskIcon1->WatchTray();
    EXPECT_FALSE(f.isVisible()) << "the tray is still there";

    area->available = false;
    f.TaskIcon1->WatchTray();
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.TaskIcon1->Active());

    area->available = true;
    f.TaskIcon1->WatchTray();
    EXPECT_TRUE(f.TaskIcon1->Active()) << "a tray that comes back gets the icon again";
    EXPECT_EQ(area->shown.size(), 1u);
}

TEST_F(Form1TrayTest, NothingWatchesTheTrayUntilAnIconIsWanted)
{
    TForm1& f = Start();
    EXPECT_FALSE(f.TaskIcon1->TrayWatch().isActive());
    area->available = false;
    f.TaskIcon1->WatchTray();
    EXPECT_TRUE(area->requests.empty());
}

TEST_F(Form1TrayTest, AutoRunOnWritesMarkerAndEntryAndTheNextStartIsHidden)
{
    TForm1& f = Start();
    f.AutoRun1->trigger();
    EXPECT_TRUE(f.AutoRun2->isVisible());
    EXPECT_FALSE(f.AutoRun1->isVisible());
    EXPECT_EQ(ReadBytes(MarkerPath()), "null");
    const std::string entry = ReadBytes(EntryPath());
    const std::string exec =
        *AutostartEntry::ExecValue(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString());
    EXPECT_NE(entry.find("\nExec=" + exec + "\n"), std::string::npos) << entry;
    EXPECT_TRUE(shown.empty());

    form.reset();
    TForm1& again = Start();
    EXPECT_FALSE(again.ShowOnStart());
    EXPECT_FALSE(again.isVisible());
    EXPECT_TRUE(again.TaskIcon1->Active());
    EXPECT_EQ(Tip(), "Disable");
    EXPECT_TRUE(again.AutoRun2->isVisible());
    EXPECT_FALSE(again.AutoRun1->isVisible());

    again.AutoRun2->trigger();
    EXPECT_FALSE(PathExists(MarkerPath()));
    EXPECT_FALSE(PathExists(EntryPath()));
    EXPECT_TRUE(again.AutoRun1->isVisible());
    EXPECT_FALSE(again.AutoRun2->isVisible());
}

TEST_F(Form1TrayTest, StartWithLogonWithoutATrayShowsTheWindow)
{
    std::ofstream(MarkerPath()) << "";  // an empty marker counts too
    trayAvailable = false;
    TForm1& f = Start();
    EXPECT_TRUE(f.ShowOnStart());
    EXPECT_TRUE(f.isVisible());
    EXPECT_TRUE(f.AutoRun2->isVisible());
    area->available = true;
    f.TaskIcon1->WatchTray();
    EXPECT_TRUE(f.TaskIcon1->Active());
}

TEST_F(Form1TrayTest, AutoRunWithoutTheRightToWriteStillSwitchesAndReportsNothing)
{
    TForm1& f = Start();
    ASSERT_EQ(::chmod(state.path().toLocal8Bit().constData(), 0500), 0);
    ASSERT_EQ(::chmod(config.path().toLocal8Bit().constData(), 0500), 0);
    const bool root = ::geteuid() == 0;
    f.AutoRun1->trigger();
    EXPECT_TRUE(f.AutoRun2->isVisible());
    EXPECT_TRUE(shown.empty());
    if (!root) {
        EXPECT_FALSE(PathExists(MarkerPath()));
        EXPECT_FALSE(PathExists(EntryPath()));
    }
    f.AutoRun2->trigger();
    EXPECT_TRUE(f.AutoRun1->isVisible());
    EXPECT_TRUE(shown.empty());
    ::chmod(state.path().toLocal8Bit().constData(), 0700);
    ::chmod(config.path().toLocal8Bit().constData(), 0700);
}

TEST_F(Form1TrayTest, AboutIsAModalBoxWithTheTitleAndLfCrLineBreaks)
{
    TForm1& f = Start();
    QString title;
    QString text;
    int buttons = 0;
    QTimer poll;
    poll.setInterval(10);
    int polls = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr && ++polls < 500)
            return;
        poll.stop();
        if (box == nullptr)
            return;
        title = box->windowTitle();
        text = box->text();
        buttons = static_cast<int>(box->buttons().size());
        box->accept();
    });
    poll.start();
    f.About1Click();
    EXPECT_EQ(title, ApplicationTitle());
    EXPECT_TRUE(text.startsWith(QStringLiteral("     Z.U.M   V.1.3\n\r     "))) << text.toStdString();
    const QStringList lines = text.split(QStringLiteral("\n\r"));
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("     ")));
    EXPECT_GT(lines[1].trimmed().size(), 5) << "a credit line";
    EXPECT_TRUE(lines[2].isEmpty());
    EXPECT_GT(lines[3].size(), 5) << "a contact line";
    EXPECT_EQ(buttons, 1);
}

// The program's own icon is the resource "ZUM", which a component with
// names in its list and tiInExe finds by the upper-cased name; a name
// without a resource gives a blank icon and no error.
TEST_F(Form1TrayTest, TheBuiltInIconIsAResourceByName)
{
    Form();  // the window's creation registers the program's resources
    auto backend = std::make_unique<FakeTrayBackend>();
    FakeTrayBackend* tray = backend.get();
    QObject owner;
    TTaskIcon icon(&owner, "TaskIcon9", std::move(backend));
    icon.WhereIcons = TWhereTaskIcon::tiInExe;
    icon.SetIconList({"zum", "nothing-here"});
    icon.SetState(TStateTaskIcon::tiAnimated);
    icon.SetActive(true);
    ASSERT_FALSE(tray->requests.back().look.picture.isNull());
    EXPECT_EQ(tray->requests.back().look.picture.pixmap(32, 32).size(), QSize(32, 32));
    icon.WMTIMER(147);
    EXPECT_EQ(icon.FrameName(), "NOTHING-HERE");
    EXPECT_TRUE(tray->requests.back().look.picture.isNull());
    EXPECT_TRUE(icon.FrameIcon().Empty());

    TIcon lower;
    lower.LoadFromResource("zum");
    EXPECT_TRUE(lower.Empty()) << "resource names are the upper-cased ones";
}

}  // namespace
