#include <gtest/gtest.h>

#include <QAction>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLineEdit>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <fstream>
#include <iterator>
#include <memory>
#include <ostream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "app/ClockLabel.h"
#include "app/ExceptionBox.h"
#include "app/DesignFont.h"
#include "app/Form1.h"
#include "tests/app/Form1Fixture.h"
#include "app/Form2.h"
#include "app/SpeedButton.h"
#include "app/TimeText.h"
#include "tests/fakes/FakeMediaDevice.h"
#include "tests/support/FakeClock.h"
#include "tests/support/Files.h"

// Readable failure messages for Qt texts.
QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}
QT_END_NAMESPACE

namespace {

class Form1Test : public Form1Fixture {
protected:
    void SetUp() override
    {
        Form1Fixture::SetUp();
        sound->length = 1000;  // a medium that is not at its end once opened
    }
    std::string AlarmPath() const { return StatePath("KPT.dat"); }

    // The state that moves together with "armed" is all one way or the other.
    void ExpectArmed(bool armed)
    {
        TForm1& f = Form();
        EXPECT_EQ(f.Image1->isVisibleTo(&f), armed);
        EXPECT_EQ(f.SpeedButton5->isVisibleTo(&f), armed);
        EXPECT_EQ(f.SpeedButton4->isVisibleTo(&f), !armed);
        EXPECT_EQ(f.Timer2->isActive(), armed);
        EXPECT_EQ(f.UpdateShanges1->isEnabled(), armed);
    }

    // One second of the clock: ten ticks, then the alarm check.
    void RunSecond()
    {
        for (int i = 0; i < 10; ++i)
            Form().Timer1Timer();
        Form().Timer2Timer();
        ++clock.now;
    }
};

TEST_F(Form1Test, FirstStartIsUnarmedAndEmpty)
{
    TForm1& f = Form();
    ExpectArmed(false);
    EXPECT_TRUE(f.Label1->text().isEmpty());
    EXPECT_TRUE(f.Label2->text().isEmpty());
    EXPECT_TRUE(f.Label3->text().isEmpty());
    EXPECT_EQ(f.windowTitle(), "ZUM");
    EXPECT_EQ(f.size(), QSize(399, 201));
    EXPECT_TRUE(f.windowFlags().testFlag(Qt::FramelessWindowHint));
    EXPECT_EQ(f.Timer1->interval(), 100);
    EXPECT_EQ(f.Timer1->timerType(), Qt::PreciseTimer);
    EXPECT_TRUE(f.Timer1->isActive());
    EXPECT_EQ(f.Timer2->interval(), 1000);
    EXPECT_EQ(f.Timer2->timerType(), Qt::PreciseTimer);
    EXPECT_TRUE(f.AutoRun1->isVisible());
    EXPECT_FALSE(f.AutoRun2->isVisible());
    EXPECT_TRUE(shown.empty());
}

TEST_F(Form1Test, ClockTickShowsTheTimeAndGatesTheOnButton)
{
    TForm1& f = Form();
    f.Timer1Timer();
    EXPECT_EQ(f.Label1->text(), "07:30:00");
    EXPECT_FALSE(f.SpeedButton4->isEnabled());

    struct Case {
        const char* alarm;
        const char* sound;
        bool enabled;
    } cases[] = {
        {"", "", false}, {"07:30:00", "", false}, {"", "/a.wav", false}, {"x", "/a.wav", true}, {"", "/a.wav", false}};
    for (const Case& c : cases) {
        f.Label2->setText(c.alarm);
        f.Label3->setText(c.sound);
        f.Timer1Timer();
        EXPECT_EQ(f.SpeedButton4->isEnabled(), c.enabled) << c.alarm << "|" << c.sound;
        EXPECT_TRUE(f.SpeedButton5->isEnabled());
    }
    ++clock.now;
    f.Timer1Timer();
    EXPECT_EQ(f.Label1->text(), "07:30:01");
}

TEST_F(Form1Test, ArmWritesTheFileAndMovesTheStateTogether)
{
    TForm1& f = Form();
    f.Label2->setText("07:30:05");
    f.Label3->setText("/sounds/ring one.wav");
    f.SpeedButton4Click();
    ExpectArmed(true);
    EXPECT_EQ(ReadBytes(AlarmPath()), "07:30:05\r\n/sounds/ring one.wav\r\n");

    // Arming again replaces the file: always the two texts plus four bytes.
    f.Label2->setText("8");
    f.SpeedButton4Click();
    EXPECT_EQ(ReadBytes(AlarmPath()), "8\r\n/sounds/ring one.wav\r\n");

    f.SpeedButton5Click();
    ExpectArmed(false);
    EXPECT_FALSE(PathExists(AlarmPath()));
    EXPECT_TRUE(shown.empty());
}

TEST_F(Form1Test, ArmThatCannotWriteIsArmedAndShowsTheError)
{
    TForm1& f = Form();
    const std::string missing = state.path().toStdString() + "/no/such/dir";
    qputenv("ZUM_SYSTEM_DIR", QByteArray::fromStdString(missing));
    f.Label2->setText("07:30:05");
    f.Label3->setText("/a.wav");
    f.SpeedButton4->click();  // through the button, as the user does
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0], "Cannot create file " + missing + "/KPT.dat.");
    EXPECT_TRUE(f.Image1->isVisibleTo(&f));
    EXPECT_TRUE(f.Timer2->isActive());
    EXPECT_FALSE(f.UpdateShanges1->isEnabled()) << "keeps its previous state";
}

// What arming stores comes back whole in the next run of the program; what
// could not come back whole is not stored, and the save says so.
TEST_F(Form1Test, ArmedTextsComeBackWholeAfterARestartOrAreRefused)
{
    const std::string longest(4096, '7');
    const QString longestPath = "/" + QString(4095, QLatin1Char('s'));
    {
        TForm1& f = Form();
        f.Label2->setText(QString::fromStdString(longest));
        f.Label3->setText(longestPath);
        f.SpeedButton4->click();
        EXPECT_TRUE(shown.empty());
    }
    form.reset();
    {
        TForm1& f = Form();
        ExpectArmed(true);
        EXPECT_EQ(f.Label2->text().toStdString(), longest);
        EXPECT_EQ(f.Label3->text(), longestPath);

        f.Label2->setText(QString::fromStdString(longest + "8"));
        f.UpdateShanges1->trigger();
        f.Label2->setText("07:30:00");
        f.Label3->setText("/two\nlines.wav");
        f.UpdateShanges1->trigger();
        ASSERT_EQ(shown.size(), 2u);
        EXPECT_EQ(shown[0], "Cannot create file " + AlarmPath() + ".");
        EXPECT_EQ(shown[1], "Cannot create file " + AlarmPath() + ".");
    }
    form.reset();
    TForm1& f = Form();
    ExpectArmed(true);
    EXPECT_EQ(f.Label2->text().toStdString(), longest) << "a refused save changed the file";
    EXPECT_EQ(f.Label3->text(), longestPath);
}

TEST_F(Form1Test, UpdateShangesStoresTheCurrentTexts)
{
    TForm1& f = Form();
    f.Label2->setText("07:30:05");
    f.Label3->setText("/a.wav");
    f.SpeedButton4Click();
    f.Label2->setText("09:00:00");
    EXPECT_EQ(ReadBytes(AlarmPath()), "07:30:05\r\n/a.wav\r\n") << "a new time alone is not stored";
    f.UpdateShanges1->trigger();
    EXPECT_EQ(ReadBytes(AlarmPath()), "09:00:00\r\n/a.wav\r\n");
    ExpectArmed(true);
}

TEST_F(Form1Test, DisarmDoesNotStopASoundThatPlays)
{
    TForm1& f = Form();
    f.Label2->setText("07:30:00");
    f.Label3->setText("/a.wav");
    f.SpeedButton4Click();
    f.SpeedButton6Click();
    sound->calls.clear();
    f.SpeedButton5Click();
    EXPECT_EQ(sound->Log(), "");
}

struct RestoreCase {
    const char* name;
    const char* bytes;
    const char* alarm;
    const char* sound;
    const char* error;  // what the exception box shows, or ""
};

void PrintTo(const RestoreCase& c, std::ostream* out)
{
    *out << c.name;
}

class Form1Restore : public Form1Test, public ::testing::WithParamInterface<RestoreCase> {};

TEST_P(Form1Restore, RestoresArmedFromTheFile)
{
    const RestoreCase& c = GetParam();
    WriteBytes(AlarmPath(), std::string(c.bytes, std::char_traits<char>::length(c.bytes)));
    TForm1& f = Form();
    ExpectArmed(true);
    EXPECT_EQ(f.Label2->text().toStdString(), c.alarm);
    EXPECT_EQ(f.Label3->text().toStdString(), c.sound);
    if (*c.error == '\0') {
        EXPECT_TRUE(shown.empty());
    } else {
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0], c.error);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, Form1Restore,
    ::testing::Values(RestoreCase{"CrLf", "07:30:00\r\nC:\\sounds\\ring.wav\r\n", "07:30:00", "C:\\sounds\\ring.wav",
                                  ""},
                      RestoreCase{"Lf", "07:30:00\n/r.wav\n", "07:30:00", "/r.wav", ""},
                      RestoreCase{"LoneCr", "07:30:00\r/r.wav\r", "07:30:00", "/r.wav", ""},
                      RestoreCase{"NoLastEnd", "07:30:00\r\n/r.wav", "07:30:00", "/r.wav", ""},
                      RestoreCase{"ExtraLines", "a\r\nb\r\nc\r\n", "a", "b", ""},
                      RestoreCase{"NotATime", "hello\r\n\r\n", "hello", "", ""},
                      RestoreCase{"Empty", "", "", "", "List index out of bounds (0)."},
                      RestoreCase{"OneLine", "07:30:00\r\n", "07:30:00", "", "List index out of bounds (1)."}),
    [](const ::testing::TestParamInfo<RestoreCase>& info) { return std::string(info.param.name); });

// The alarm file's lines are bytes: a sound path that is not UTF-8 (a
// Latin-1 "é") shows as well as the label can and is stored back unchanged
// beside an alarm text set anew, which is stored as it reads. (Its way to
// the player is rung end to end.)
TEST_F(Form1Test, EightBitTextsAreShownAndStoredBackUnchanged)
{
    const std::string latin1Path = "/snd/caf\xE9 \xFF.wav";
    WriteBytes(AlarmPath(), "07:30:02\r\n" + latin1Path + "\r\n");
    TForm1& f = Form();
    ExpectArmed(true);
    EXPECT_EQ(f.Label3->text(), QString::fromUtf8("/snd/caf\u00E9 \u00FF.wav"));
    f.Label2->setText(QString::fromUtf8("Gr\u00FC\u00DFe"));
    f.UpdateShanges1->trigger();
    EXPECT_EQ(ReadBytes(AlarmPath()), "Gr\xC3\xBC\xC3\x9F"
                                      "e\r\n" +
                                          latin1Path + "\r\n");
    EXPECT_TRUE(shown.empty());
}

TEST_F(Form1Test, StartRemovesTheScratchFilesOfKilledSaves)
{
    const std::string stale = state.path().toStdString() + "/.KPT.dat.00112233445566778899aabb.tmp";
    WriteBytes(stale, "07:30:00\r\n");
    Form();
    EXPECT_FALSE(PathExists(stale));
    ExpectArmed(false);
}

TEST_F(Form1Test, AlarmCheckPlaysTheSoundAtTheAlarmSecondOnly)
{
    TForm1& f = Form();
    f.Label2->setText("07:30:02");
    f.Label3->setText("/ring.wav");
    f.SpeedButton4Click();
    RunSecond();  // 07:30:00
    RunSecond();  // 07:30:01
    EXPECT_EQ(sound->Log(), "");
    RunSecond();  // 07:30:02
    EXPECT_EQ(sound->Log(), "OpenFile(/ring.wav) Play");
    RunSecond();  // 07:30:03
    EXPECT_EQ(sound->Log(), "OpenFile(/ring.wav) Play") << "rings once";
    ExpectArmed(true);
}

// The check's phase follows the clock label: whenever the label takes a new
// second the check is due at once, however long ago the alarm was armed;
// ticks within a second leave it where it is.
TEST_F(Form1Test, AlarmCheckIsDueAsSoonAsTheLabelTakesANewSecond)
{
    TForm1& f = Form();
    f.Label2->setText("07:30:03");
    f.Label3->setText("/ring.wav");
    f.Timer1Timer();  // 07:30:00 on show before arming
    f.SpeedButton4Click();
    EXPECT_GT(f.Timer2->remainingTime(), 900) << "arming alone does not move the check";

    for (int second = 1; second <= 2; ++second) {
        ++clock.now;
        f.Timer1Timer();
        EXPECT_EQ(f.Timer2->remainingTime(), 0) << "second " << second;
        f.Timer2Timer();
        EXPECT_EQ(f.Timer2->interval(), TForm1::kAlarmCheckInterval);
        EXPECT_GT(f.Timer2->remainingTime(), 900) << "back to once a second";
        f.Timer1Timer();  // same second
        EXPECT_GT(f.Timer2->remainingTime(), 900) << "a tick without a new second moved the check";
    }
    EXPECT_EQ(sound->Log(), "");

    // The alarm second, through the event loop: the tick that shows it does
    // not ring by itself, the check it brings forward does.
    ++clock.now;
    f.Timer1Timer();
    EXPECT_EQ(sound->Log(), "");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !sound->calls.empty(); }, 500))
        << "the alarm check did not run after the label showed the alarm second";
    EXPECT_EQ(sound->Log(), "OpenFile(/ring.wav) Play");
    EXPECT_EQ(f.Timer2->interval(), TForm1::kAlarmCheckInterval);
    ExpectArmed(true);
}

// A tick that finds a new second well off the ticks' place just after a
// tenth of the second (later than the kernel's slack can make it) brings the next tick to that place; the one after goes
// back to the period. Ticks within a second move nothing.
TEST_F(Form1Test, ClockTicksKeepTheirPlaceJustAfterTheSecondTurns)
{
    struct Case {
        int intoSecond;  // where the tick that sees the new second fell
        int nextTickIn;  // Timer1's interval after it
    } cases[] = {{5, 100}, {2, 100}, {70, 100}, {105, 100}, {140, 100}, {1, 4},
                 {0, 5},   {71, 34}, {80, 25},  {99, 6},    {175, 30},  {999, 6}};
    TForm1& f = Form();
    for (const Case& c : cases) {
        clock.intoSecond = c.intoSecond;
        ++clock.now;
        f.Timer1Timer();
        EXPECT_EQ(f.Timer1->interval(), c.nextTickIn) << "tick at " << c.intoSecond << " ms";
        EXPECT_TRUE(f.Timer1->isActive());
        clock.intoSecond = 5;
        f.Timer1Timer();  // the next tick, in the same second
        EXPECT_EQ(f.Timer1->interval(), ClockTick::kInterval) << "after the tick at " << c.intoSecond << " ms";
    }
    clock.intoSecond = 60;
    f.Timer1Timer();
    EXPECT_EQ(f.Timer1->interval(), ClockTick::kInterval) << "a tick without a new second moved the ticks";

    // Ticks driven with the timer stopped leave it stopped.
    f.Timer1->stop();
    ++clock.now;
    f.Timer1Timer();
    EXPECT_FALSE(f.Timer1->isActive());
}

TEST_F(Form1Test, LateAlarmCheckStillRingsTheSkippedSecondOnce)
{
    TForm1& f = Form();
    f.Label2->setText("07:30:01");
    f.Label3->setText("/ring.wav");
    f.SpeedButton4Click();
    // The check of 07:30:01 comes only after the label shows 07:30:02.
    for (int second = 0; second < 3; ++second) {
        for (int i = 0; i < 10; ++i)
            f.Timer1Timer();
        ++clock.now;
    }
    f.Timer2Timer();
    EXPECT_EQ(sound->Log(), "OpenFile(/ring.wav) Play");
    // Two checks fall into the next second: neither rings again.
    f.Timer2Timer();
    f.Timer1Timer();
    f.Timer2Timer();
    EXPECT_EQ(sound->Log(), "OpenFile(/ring.wav) Play");
}

TEST_F(Form1Test, AlarmCheckComparesTextsExactly)
{
    TForm1& f = Form();
    f.Label3->setText("/ring.wav");
    for (const char* alarm : {"7:30:00", "07:30", "07:30:00 ", "7:30:01"}) {
        f.Label2->setText(alarm);
        f.SpeedButton4Click();
        RunSecond();
        RunSecond();
    }
    EXPECT_EQ(sound->Log(), "");
}

TEST_F(Form1Test, UnarmedNeverRings)
{
    TForm1& f = Form();
    f.Label2->setText("07:30:00");
    f.Label3->setText("/ring.wav");
    for (int i = 0; i < 10; ++i)
        f.Timer1Timer();
    EXPECT_FALSE(f.Timer2->isActive());
    EXPECT_EQ(sound->Log(), "");
}

TEST_F(Form1Test, FailingSoundAtAlarmTimeIsDroppedAndStaysArmed)
{
    TForm1& f = Form();
    f.Label2->setText("07:30:01");
    f.Label3->setText("/gone.wav");
    f.SpeedButton4Click();
    sound->nextOpenResult = 7;
    sound->nextOpenErrorText = "Resource not found.";
    RunSecond();
    RunSecond();
    EXPECT_EQ(sound->Log(), "OpenFile(/gone.wav)");
    EXPECT_TRUE(shown.empty());
    ExpectArmed(true);
}

TEST_F(Form1Test, PlayAndStopNeverShowAnything)
{
    TForm1& f = Form();
    f.SpeedButton7->click();    // Stop before anything was opened
    sound->nextOpenResult = 5;  // the service refuses an empty name
    f.SpeedButton6->click();    // Play with an empty path
    sound->nextOpenResult = 3;
    f.Label3->setText("/missing.wav");
    f.SpeedButton6->click();
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(sound->Log(), "OpenFile() OpenFile(/missing.wav)");

    f.Label3->setText("/a.wav");
    f.SpeedButton6->click();
    f.SpeedButton6->click();  // again: closes and plays from the start
    f.SpeedButton7->click();
    EXPECT_EQ(sound->Log(), "OpenFile() OpenFile(/missing.wav) OpenFile(/a.wav) Play Close OpenFile(/a.wav) Play Stop");
    EXPECT_TRUE(shown.empty());
}

TEST_F(Form1Test, SetTimeAndSelectSoundChangeOnlyTheLabels)
{
    TForm1Services services = Services();
    services.runOpenDialog = [](QWidget*, QString* name) {
        *name = "/new sound.mp3";
        return true;
    };
    form = std::make_unique<TForm1>(std::move(services));
    form->Label2->setText("07:30:00");
    form->Timer1Timer();
    ASSERT_FALSE(form->SpeedButton4->isEnabled());
    form->SelectSound1->trigger();
    EXPECT_EQ(form->Label3->text(), "/new sound.mp3");
    EXPECT_FALSE(PathExists(AlarmPath()));
    EXPECT_FALSE(form->SpeedButton4->isEnabled()) << "not before the next tick";
    form->Timer1Timer();
    EXPECT_TRUE(form->SpeedButton4->isEnabled());
}

TEST_F(Form1Test, ExitItemsAndCloseButtonCloseTheWindow)
{
    for (int which = 0; which < 3; ++which) {
        form.reset();
        TForm1& f = Form();
        f.show();
        ASSERT_TRUE(f.isVisible());
        if (which == 0)
            f.SpeedButton3->click();
        else if (which == 1)
            f.Exit1->trigger();
        else
            f.Exit2->trigger();
        EXPECT_FALSE(f.isVisible()) << which;
    }
}

// Every caption of a fixed-size control, in both windows, fits its box in
// the font the program actually resolves: the stand-in family itself, not
// whatever fontconfig offers for a family it does not know.
TEST_F(Form1Test, EveryFixedSizeCaptionFitsItsBoxInTheResolvedFont)
{
    TForm1& f = Form();
    TForm2 dialog(&f, "23:09:10");
    dialog.Edit1->setText(QStringLiteral("00:00:00"));  // the design text
    struct Caption {
        QWidget* control;
        QString text;
        int margin;  // what the control's frame takes on the left and right
    };
    const Caption captions[] = {
        {f.SpeedButton1, f.SpeedButton1->text(), 2},
        {f.SpeedButton2, f.SpeedButton2->text(), 2},
        {f.SpeedButton3, f.SpeedButton3->text(), 2},
        {f.SpeedButton4, f.SpeedButton4->text(), 2},
        {f.SpeedButton5, f.SpeedButton5->text(), 2},
        {f.SpeedButton6, f.SpeedButton6->text(), 2},
        {f.SpeedButton7, f.SpeedButton7->text(), 2},
        {dialog.Label1, dialog.Label1->text(), 0},
        {dialog.SpeedButton1, dialog.SpeedButton1->text(), 2},
        {dialog.SpeedButton2, dialog.SpeedButton2->text(), 2},
        {dialog.Edit1, dialog.Edit1->text(), 4},
    };
    for (const Caption& c : captions) {
        const QFont& font = c.control->font();
        EXPECT_EQ(QFontInfo(font).family(), StandInFamily("MS Sans Serif")) << c.text.toStdString();
        const QFontMetrics metrics(font);
        const QRect ink = metrics.boundingRect(c.text);
        EXPECT_LE(std::max(ink.width(), metrics.horizontalAdvance(c.text)), c.control->width() - 2 * c.margin)
            << '"' << c.text.toStdString() << "\" in " << c.control->width() << " px";
        EXPECT_LE(metrics.height(), c.control->height()) << c.text.toStdString();
    }
}

}  // namespace
