// The alarm, from setting it up through the menu to its ringing, stopping
// and surviving a restart.

#include <QImage>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "Layout.h"
#include "Pixels.h"
#include "Poll.h"
#include "SecondUser.h"
#include "TimeText.h"
#include "ZumFixture.h"

using namespace std::chrono_literals;

namespace {

// The sound output written to a .wav file in real time, so that the file
// grows exactly while the sound plays.
class WavSink {
public:
    explicit WavSink(std::filesystem::path path) : path_(std::move(path)) {}
    std::string description() const
    {
        return "audioconvert ! audioresample ! audio/x-raw,format=S16LE,channels=1,rate=22050 ! wavenc ! "
               "filesink sync=true buffer-mode=unbuffered location=" +
               path_.string();
    }
    std::uintmax_t size() const
    {
        std::error_code ec;
        auto n = std::filesystem::file_size(path_, ec);
        return ec ? 0 : n;
    }
    // Whether the file grows by a noticeable amount within the interval.
    bool grows(std::chrono::milliseconds over = 400ms) const
    {
        auto before = size();
        std::this_thread::sleep_for(over);
        return size() > before + 2000;
    }
    // Waits until the file has stopped growing: the sound has ended.
    bool fallsSilent(std::chrono::milliseconds timeout) const
    {
        return waitUntil(
            timeout, [&] { return !grows(300ms); }, 0ms);
    }

private:
    std::filesystem::path path_;
};

std::chrono::system_clock::time_point at(std::time_t t)
{
    return std::chrono::system_clock::from_time_t(t);
}

class Alarm : public ZumFixture {
protected:
    // The indicator is a solid 8 x 8 red square and nothing red around it.
    bool armedShown()
    {
        QImage window = shot();
        return pixels::count(window, layout::kArmedSquare, pixels::red) == 64 &&
               pixels::count(window, layout::kArmedSquare.adjusted(-6, -6, 6, 6), pixels::red) == 64;
    }
    bool unarmedShown() { return pixels::count(shot(), layout::kArmedSquare, pixels::red) == 0; }
    // Waits for the alarm second and checks that the sound starts within it
    // (plus a little for the player to open) and not before.
    void expectRingsAt(std::time_t alarm, const WavSink& sink)
    {
        const auto settle = at(alarm) - 300ms;
        while (std::chrono::system_clock::now() < settle) {
            ASSERT_LT(sink.size(), 2000u) << "sound before the alarm time";
            std::this_thread::sleep_for(100ms);
        }
        const auto deadline = at(alarm) + 1800ms;
        bool started = false;
        while (!started && std::chrono::system_clock::now() < deadline) {
            started = sink.size() > 4000;
            std::this_thread::sleep_for(50ms);
        }
        ASSERT_TRUE(started) << "no sound within the alarm second";
        EXPECT_TRUE(sink.grows()) << "the sound did not go on";
    }
    // A second user of the machine for this test. It goes only after the
    // fixture has stopped the program, which may run as that user.
    const SecondUser& secondUser() { return secondUser_.emplace(); }

private:
    std::optional<SecondUser> secondUser_;
};

// Set a time a few seconds ahead, choose a sound, arm: it rings at that
// second while the clock goes on, "Stop" silences it; closed and started
// again it is still armed with the same file, and rings at a new time the
// file holds.
TEST_F(Alarm, RingsStopsAndRingsAgainAfterRestart)
{
    const std::string locale = "C";
    WavSink sink(scratch() / "out.wav");
    const auto tone = makeTone(6);
    start({.locale = locale, .audioSink = sink.description()});
    selectSound(tone.string());

    const std::time_t alarm = std::time(nullptr) + 15;
    const std::string alarmText = *timeText(locale, alarm);
    setTime(alarmText);

    QImage beforeArming;
    ASSERT_TRUE(waitUntil(10s, [&] { return !pixels::captionInk(beforeArming = shot(), layout::kOnButton).isNull(); }))
        << "\"ON\" should be enabled with an alarm time and a sound";
    const QRect onInk = pixels::captionInk(beforeArming, layout::kOnButton);
    EXPECT_FALSE(std::filesystem::exists(alarmFile()));
    EXPECT_EQ(pixels::count(beforeArming, layout::kArmedSquare, pixels::red), 0);

    press(layout::kOnButton);
    ASSERT_TRUE(waitUntil(5s, [&] { return armedShown(); })) << "no red square after \"ON\"";
    const QRect offInk = pixels::captionInk(shot(), layout::kOnButton);
    EXPECT_GE(offInk.width(), onInk.width() + 3) << "\"OFF\" should replace \"ON\"";
    EXPECT_EQ(readAlarmFile(), alarmFileText(alarmText, tone.string()));
    ASSERT_LT(std::chrono::system_clock::now(), at(alarm) - 1s) << "setting up took longer than 14 s";

    expectRingsAt(alarm, sink);
    if (HasFatalFailure())
        return;
    QImage ringing = shot();
    EXPECT_TRUE(waitUntil(10s, [&] { return !pixels::sameArea(ringing, shot(), layout::kClockBand); }))
        << "the clock stopped while ringing";
    ASSERT_TRUE(sink.grows()) << "the sound ended before \"Stop\"";

    press(layout::kStopButton);
    ASSERT_TRUE(sink.fallsSilent(3s)) << "\"Stop\" did not silence the sound";
    EXPECT_FALSE(sink.grows(1000ms)) << "the sound came back after \"Stop\"";
    EXPECT_TRUE(armedShown()) << "ringing does not disarm";

    EXPECT_EQ(closeByButton(), 0);
    ASSERT_EQ(readAlarmFile(), alarmFileText(alarmText, tone.string())) << "closing changed the alarm file";

    start({.locale = locale, .audioSink = sink.description()});
    ASSERT_TRUE(waitUntil(10s, [&] { return armedShown(); })) << "not armed after restart";
    EXPECT_EQ(pixels::captionInk(shot(), layout::kOnButton).width(), offInk.width())
        << "\"OFF\" not shown after restart";
    EXPECT_EQ(readAlarmFile(), alarmFileText(alarmText, tone.string()));
    EXPECT_EQ(closeByButton(), 0);

    const std::time_t again = std::time(nullptr) + 8;
    writeAlarmFile(*timeText(locale, again), tone.string());
    std::filesystem::remove(scratch() / "out.wav");
    start({.locale = locale, .audioSink = sink.description()});
    ASSERT_TRUE(waitUntil(10s, [&] { return armedShown(); }));
    expectRingsAt(again, sink);
}

// An alarm file whose time is the locale's 12-hour text rings under that
// locale too: the check compares texts of one and the same shape.
TEST_F(Alarm, RingsUnderTwelveHourLocale)
{
    const std::string locale = "en_US.UTF-8";
    if (!localeInstalled(locale))
        GTEST_SKIP() << "locale " << locale << " is not installed here (locale-gen it)";
    WavSink sink(scratch() / "out.wav");
    const auto tone = makeTone(4);
    const std::time_t alarm = std::time(nullptr) + 8;
    writeAlarmFile(*timeText(locale, alarm), tone.string());
    start({.locale = locale, .audioSink = sink.description()});
    ASSERT_TRUE(waitUntil(10s, [&] { return armedShown(); }));
    expectRingsAt(alarm, sink);
}

// Arming and disarming through the window leaves nothing behind: the next
// start looks exactly like a first start.
TEST_F(Alarm, DisarmedAlarmIsGoneAfterRestart)
{
    const auto tone = makeTone(1);
    start();
    QImage firstStart;
    ASSERT_TRUE(waitUntil(10s, [&] {
        firstStart = shot();
        return pixels::count(firstStart, layout::kClockBand, pixels::aqua) > 300;
    }));
    EXPECT_TRUE(pixels::captionInk(firstStart, layout::kOnButton).isNull())
        << "\"ON\" should be greyed with nothing set";

    selectSound(tone.string());
    setTime("12:34:56");
    ASSERT_TRUE(waitUntil(5s, [&] { return !pixels::captionInk(shot(), layout::kOnButton).isNull(); }))
        << "\"ON\" not enabled after setting a time and a sound";
    press(layout::kOnButton);
    ASSERT_TRUE(waitUntil(5s, [&] { return armedShown(); }));
    EXPECT_EQ(readAlarmFile(), alarmFileText("12:34:56", tone.string()));

    press(layout::kOnButton);  // now "OFF"
    ASSERT_TRUE(waitUntil(5s, [&] { return unarmedShown(); }));
    EXPECT_FALSE(std::filesystem::exists(alarmFile()));
    EXPECT_EQ(closeByButton(), 0);

    start();
    EXPECT_FALSE(std::filesystem::exists(alarmFile()));
    QImage restarted;
    ASSERT_TRUE(waitUntil(5s, [&] {
        restarted = shot();
        return pixels::count(restarted, layout::kClockBand, pixels::aqua) > 300;
    }));
    EXPECT_EQ(pixels::count(restarted, layout::kArmedSquare, pixels::red), 0);
    EXPECT_TRUE(pixels::sameArea(firstStart, restarted, layout::kAlarmLine)) << "alarm time not empty";
    EXPECT_TRUE(pixels::sameArea(firstStart, restarted, layout::kSoundLine)) << "sound path not empty";
    EXPECT_TRUE(pixels::sameArea(firstStart, restarted, layout::kOnButton)) << "\"ON\" not greyed";
}

// A time set while armed reaches the file only through "Update Shanges".
TEST_F(Alarm, NewTimeWithoutUpdateIsLostOnRestart)
{
    const std::string sound = (scratch() / "ring.wav").string();
    writeAlarmFile("07:30:00", sound);
    start();
    ASSERT_TRUE(waitUntil(10s, [&] { return armedShown(); }));
    setTime("08:15:00");
    EXPECT_EQ(readAlarmFile(), alarmFileText("07:30:00", sound));
    EXPECT_EQ(closeByButton(), 0);
    EXPECT_EQ(readAlarmFile(), alarmFileText("07:30:00", sound));

    start();
    ASSERT_TRUE(waitUntil(10s, [&] { return armedShown(); }));
    // "Update Shanges" writes what the window holds: the old time.
    std::filesystem::remove(alarmFile());
    menu("u");
    EXPECT_TRUE(waitUntil(10s, [&] { return readAlarmFile() == alarmFileText("07:30:00", sound); }))
        << "file holds: " << readAlarmFile().value_or("(none)");

    setTime("08:15:00");
    menu("u");
    EXPECT_TRUE(waitUntil(10s, [&] { return readAlarmFile() == alarmFileText("08:15:00", sound); }))
        << "file holds: " << readAlarmFile().value_or("(none)");
}

// "Play" sounds the chosen file at once, armed or not; "Stop" pauses it.
// With no sound chosen both do nothing visible and the program goes on.
TEST_F(Alarm, PlayAndStopWithoutArming)
{
    WavSink sink(scratch() / "out.wav");
    start({.audioSink = sink.description()});
    press(layout::kStopButton);
    press(layout::kPlayButton);
    // The program takes input in order: once the menu asked for after the
    // two presses is drawn, both presses have been handled.
    openMenu();
    desktop_->key("Escape");
    ASSERT_TRUE(waitUntil(10s, [&] { return desktop_->visibleWindowsOf(zum().pid()) == 1; }))
        << "the menu did not close on Escape";
    EXPECT_FALSE(zum().exitCode(0ms).has_value()) << "the program ended";
    EXPECT_EQ(sink.size(), 0u);
    EXPECT_EQ(desktop_->visibleWindowsOf(zum().pid()), 1) << "a message appeared";

    selectSound(makeTone(6).string());
    press(layout::kPlayButton);
    EXPECT_TRUE(waitUntil(5s, [&] { return sink.size() > 4000; })) << "no sound after \"Play\"";
    EXPECT_TRUE(sink.grows());
    press(layout::kStopButton);
    ASSERT_TRUE(sink.fallsSilent(3s)) << "\"Stop\" did not silence the sound";
    EXPECT_FALSE(sink.grows(1000ms)) << "the sound came back after \"Stop\"";
    EXPECT_TRUE(unarmedShown());
    EXPECT_FALSE(std::filesystem::exists(alarmFile()));
}

// "Update Shanges" is disabled while not armed: its accelerator does nothing.
TEST_F(Alarm, UpdateIsDisabledWhileNotArmed)
{
    start();
    setTime("09:00:00");
    // menu() returns once Escape, taken after the key, closed the menu.
    menu("u", false);
    EXPECT_FALSE(std::filesystem::exists(alarmFile()));
}

// A sound path that is not UTF-8 (a Latin-1 "é") is the file's bytes all
// the way: it rings, and "Update Shanges" stores it unchanged, also after a
// restart.
TEST_F(Alarm, EightBitSoundPathRingsAndIsStoredUnchanged)
{
    WavSink sink(scratch() / "out.wav");
    const std::string latin1 = (scratch() / "ring-caf").string() + "\xE9.wav";
    std::filesystem::rename(makeTone(4), latin1);
    const std::time_t alarm = std::time(nullptr) + 8;
    const std::string alarmText = *timeText("C", alarm);
    const std::string stored = alarmFileText(alarmText, latin1);
    writeAlarmFile(alarmText, latin1);
    auto inode = [&] {
        struct stat st {};
        return ::stat(alarmFile().c_str(), &st) == 0 ? st.st_ino : 0;
    };
    // "Update Shanges" puts a new file in place; it holds the same bytes.
    auto update = [&] {
        const ino_t before = inode();
        menu("u");
        ASSERT_TRUE(waitUntil(10s, [&] { return inode() != before; })) << "\"Update Shanges\" wrote nothing";
        EXPECT_EQ(readAlarmFile(), stored);
    };

    start({.audioSink = sink.description()});
    ASSERT_TRUE(waitUntil(10s, [&] { return armedShown(); }));
    expectRingsAt(alarm, sink);
    if (HasFatalFailure())
        return;
    press(layout::kStopButton);
    ASSERT_TRUE(sink.fallsSilent(3s)) << "\"Stop\" did not silence the sound";
    update();
    EXPECT_EQ(closeByButton(), 0);

    start();
    ASSERT_TRUE(waitUntil(10s, [&] { return armedShown(); }));
    update();
}

// An alarm file that another user owns is not this user's alarm: it is not
// restored, shown or rung, and it stays as it is.
TEST_F(Alarm, AnotherUsersAlarmFileIsLeftAlone)
{
    if (!SecondUser::available())
        GTEST_SKIP() << "needs root to make a second user";
    const SecondUser& other = secondUser();
    WavSink sink(scratch() / "out.wav");
    const auto tone = makeTone(2);
    const std::time_t alarm = std::time(nullptr) + 6;
    writeAlarmFile(*timeText("C", alarm), tone.string());
    const std::string theirs = *readAlarmFile();
    ASSERT_EQ(::chown(alarmFile().c_str(), other.uid(), other.gid()), 0);

    start({.audioSink = sink.description()});
    // The window shows once the start has restored what it restores; a
    // message of the start would have come before it.
    QImage window;
    ASSERT_TRUE(waitUntil(10s, [&] {
        window = shot();
        return pixels::count(window, layout::kClockBand, pixels::aqua) > 300;
    }));
    EXPECT_TRUE(unarmedShown());
    EXPECT_TRUE(lineShows(window, layout::kAlarmLine, 13, true, ""));
    EXPECT_TRUE(lineShows(window, layout::kSoundLine, 9, false, ""));
    EXPECT_FALSE(desktop_->anyVisibleNamed("^Z\\.U\\.M  V\\.1\\.3$")) << "a message was shown";
    // Its second passes without a sound while the clock goes on.
    while (std::chrono::system_clock::now() < at(alarm) + 2s)
        std::this_thread::sleep_for(100ms);
    EXPECT_FALSE(pixels::sameArea(window, shot(), layout::kClockBand)) << "the clock stopped";
    EXPECT_EQ(sink.size(), 0u) << "another user's alarm rang";
    EXPECT_EQ(readAlarmFile(), theirs);
    struct stat st {};
    ASSERT_EQ(::stat(alarmFile().c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, other.uid());
}

// Root's alarm is every user's. A user who may not remove it is told so on
// "OFF", since it arms the alarm again at the next start, as it does.
TEST_F(Alarm, DisarmThatCannotRemoveTheFileIsReported)
{
    if (!SecondUser::available())
        GTEST_SKIP() << "needs root to make a second user";
    const SecondUser& other = secondUser();
    const std::string sound = (scratch() / "ring.wav").string();
    writeAlarmFile("07:30:00", sound);  // root's

    start({.user = other.name()});
    ASSERT_TRUE(waitUntil(10s, [&] { return armedShown(); })) << "root's alarm was not restored";
    press(layout::kOnButton);  // "OFF"
    const std::string title = "^Z\\.U\\.M  V\\.1\\.3$";
    auto box = desktop_->findVisibleByName(title, 10s);
    ASSERT_TRUE(box) << "no message when the alarm file could not be removed";
    // The window is not armed behind the message.
    EXPECT_TRUE(waitUntil(5s, [&] { return unarmedShown(); }));
    desktop_->focus(*box);
    desktop_->key("Return");
    ASSERT_TRUE(waitGone(title, 5s)) << "the message did not close";
    EXPECT_EQ(readAlarmFile(), alarmFileText("07:30:00", sound));
    EXPECT_EQ(closeByButton(), 0);

    start({.user = other.name()});
    EXPECT_TRUE(waitUntil(10s, [&] { return armedShown(); })) << "the file did not arm the alarm again";
}

}  // namespace
