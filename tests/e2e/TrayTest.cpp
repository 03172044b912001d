// The clock in the tray, as a person sees it: hiding into an XEmbed tray
// (trayer, with and without a window manager) or a StatusNotifierItem host,
// the icon's tip, double click and menu, no tray at all, and start with
// logon.

#include <QRect>
#include <chrono>
#include <ctime>
#include <fstream>
#include <sstream>
#include <thread>

#include "ClockFace.h"
#include "Layout.h"
#include "Poll.h"
#include "TrayHost.h"
#include "ZumFixture.h"
#include "tests/support/Files.h"

using namespace std::chrono_literals;

namespace {

class TrayFixture : public ZumFixture {
protected:
    CommandResult x(const std::vector<std::string>& argv) { return runCommand(argv, display_->environment()); }

    bool viewable(const Desktop::WindowId& window)
    {
        return x({"xwininfo", "-id", window}).out.find("IsViewable") != std::string::npos;
    }
    bool mainVisible() { return !zum().window().empty() && viewable(zum().window()); }
    bool waitMainVisible(bool visible, std::chrono::milliseconds timeout = 5s)
    {
        return waitUntil(
            timeout, [&] { return mainVisible() == visible; }, 50ms);
    }

    // The window manager's stack of ordinary client windows, bottom to top;
    // panels keep a layer of their own above them.
    std::vector<std::string> stacking()
    {
        std::vector<std::string> ids;
        const std::string out = x({"xprop", "-root", "_NET_CLIENT_LIST_STACKING"}).out;
        for (std::size_t at = out.find("0x"); at != std::string::npos; at = out.find("0x", at + 2)) {
            const std::string id = std::to_string(std::stoul(out.substr(at), nullptr, 16));
            if (x({"xprop", "-id", id, "_NET_WM_WINDOW_TYPE"}).out.find("_NET_WM_WINDOW_TYPE_DOCK") ==
                std::string::npos)
                ids.push_back(id);
        }
        return ids;
    }
    // Iconifies the main window the way the window manager does it for its
    // minimise button, and waits until it has gone from the screen.
    void minimise()
    {
        x({"xdotool", "windowminimize", zum().window()});
        if (!waitMainVisible(false))
            throw std::runtime_error("the window manager did not minimise the window");
    }
    // Visible, no longer minimised, and on top of every other window.
    bool waitRestoredInFront()
    {
        return waitMainVisible(true) && waitUntil(
                                            5s,
                                            [&] {
                                                const auto stack = stacking();
                                                return !stack.empty() && stack.back() == zum().window();
                                            },
                                            50ms);
    }

    struct Shown {
        Desktop::WindowId id;
        QRect rect;
    };
    // The program's visible windows other than the main window.
    std::vector<Shown> others()
    {
        std::vector<Shown> found;
        std::istringstream in(x({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(zum().pid())}).out);
        for (std::string id; std::getline(in, id);) {
            if (id.empty() || id == zum().window())
                continue;
            if (auto g = desktop_->geometry(id))
                found.push_back({id, *g});
        }
        return found;
    }
    // The icon embedded in the tray: a small window of the program lying in
    // the panel at the bottom right, where it stays put between two looks
    // (before it is embedded it maps elsewhere for a moment).
    std::optional<Shown> waitIcon(std::chrono::milliseconds timeout = 10s)
    {
        std::optional<Shown> icon;
        std::optional<QRect> last;
        const QRect panel(XDisplay::kWidth - 100, XDisplay::kHeight - 24, 100, 24);
        waitUntil(
            timeout,
            [&] {
                std::optional<Shown> now;
                for (const Shown& w : others())
                    if (w.rect.width() <= 48 && w.rect.height() <= 48 && panel.contains(w.rect))
                        now = w;
                const bool settled = now && last && *last == now->rect;
                last = now ? std::optional<QRect>(now->rect) : std::nullopt;
                if (settled)
                    icon = now;
                return settled;
            },
            100ms);
        if (icon)
            standingWindows_.push_back(icon->id);
        return icon;
    }
    bool iconGone(std::chrono::milliseconds timeout = 5s)
    {
        return waitUntil(
            timeout,
            [&] {
                for (const Shown& w : others())
                    if (w.rect.width() <= 48 && w.rect.height() <= 48)
                        return false;
                return true;
            },
            50ms);
    }
    // A pop-up menu of the program: wider than the icon, lower than the window.
    std::optional<Shown> waitMenu(std::chrono::milliseconds timeout = 5s)
    {
        std::optional<Shown> menu;
        waitUntil(
            timeout,
            [&] {
                for (const Shown& w : others())
                    if (w.rect.width() > 48 && w.rect.height() > 30 && w.rect.height() < 150)
                        menu = w;
                return menu.has_value();
            },
            50ms);
        return menu;
    }
    QPoint pointer()
    {
        auto r = x({"xdotool", "getmouselocation", "--shell"});
        int px = -1, py = -1;
        std::istringstream in(r.out);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("X=", 0) == 0)
                px = std::stoi(line.substr(2));
            if (line.rfind("Y=", 0) == 0)
                py = std::stoi(line.substr(2));
        }
        return {px, py};
    }
    void clickIcon(const Shown& icon, int button, int times = 1)
    {
        x({"xdotool", "mousemove", "--window", icon.id, std::to_string(icon.rect.width() / 2),
           std::to_string(icon.rect.height() / 2), "click", "--repeat", std::to_string(times), "--delay", "80",
           std::to_string(button)});
    }
    // Clicks the n-th item (from 0) of a menu; every item is 22 pixels high.
    void clickItem(const Shown& menu, int index) { desktop_->click(menu.id, 30, 11 + 22 * index); }
    // "-": waits until the window has gone and the icon is in the tray.
    Shown hideIntoTray()
    {
        press(layout::kTrayButton);
        if (!waitMainVisible(false))
            throw std::runtime_error("the window did not hide into the tray");
        auto icon = waitIcon();
        if (!icon)
            throw std::runtime_error("no icon in the tray");
        return *icon;
    }
    // Hovers the icon until its tip shows; returns the tip's window.
    std::optional<Shown> hoverTip(const Shown& icon)
    {
        x({"xdotool", "mousemove", "0", "0"});
        waitUntil(
            3s, [&] { return others().size() == 1; }, 50ms);  // an earlier tip has gone
        x({"xdotool", "mousemove", "--window", icon.id, std::to_string(icon.rect.width() / 2),
           std::to_string(icon.rect.height() / 2)});
        // The tip shows once the pointer has rested on the icon a while.
        std::optional<Shown> tip;
        for (int attempt = 0; attempt < 4 && !tip; ++attempt) {
            x({"xdotool", "mousemove_relative", "--", attempt % 2 == 0 ? "1" : "-1", "0"});
            waitUntil(
                2s,
                [&] {
                    for (const Shown& w : others())
                        if (w.id != icon.id && w.rect.height() < 40)
                            tip = w;
                    return tip.has_value();
                },
                50ms);
        }
        return tip;
    }
};

class XEmbedTrayTest : public TrayFixture {
protected:
    void SetUp() override
    {
        TrayFixture::SetUp();
        tray_ = std::make_unique<XEmbedTray>(*display_);
    }
    void TearDown() override { TrayFixture::TearDown(); }
    std::unique_ptr<XEmbedTray> tray_;
};

TEST_F(XEmbedTrayTest, HidesIntoTheTrayAndADoubleClickBringsItBack)
{
    start();
    ASSERT_TRUE(iconGone(1s)) << "no tray icon before the first hide";
    const Shown icon = hideIntoTray();
    // The icon sits in trayer's panel at the bottom right.
    EXPECT_GE(icon.rect.left(), XDisplay::kWidth - 100);
    EXPECT_GE(icon.rect.top(), XDisplay::kHeight - 24);
    EXPECT_EQ(icon.rect.width(), icon.rect.height());
    // Seconds pass while the window is away; shown again, it shows now.
    const std::time_t hidden = std::time(nullptr);
    waitUntil(3s, [&] { return std::time(nullptr) >= hidden + 2; });
    clickIcon(icon, 1, 2);
    ASSERT_TRUE(waitMainVisible(true)) << "a double click did not show the window";
    ClockFace face(display_->environment(), "C", 1);
    std::string why;
    EXPECT_TRUE(face.showsTheTime(*desktop_, zum().window(), 5s, &why)) << why;
    // The icon stays in the tray once shown.
    EXPECT_TRUE(waitIcon(1s));
}

TEST_F(XEmbedTrayTest, TheTipTellsTheAlarmState)
{
    writeAlarmFile("07:30:00", makeTone(1).string());
    start();
    const Shown icon = hideIntoTray();
    auto armedTip = hoverTip(icon);
    ASSERT_TRUE(armedTip) << "no tip over the icon";
    clickIcon(icon, 1, 2);
    ASSERT_TRUE(waitMainVisible(true));
    press(layout::kOnButton);  // "OFF" in the same place
    const Shown again = hideIntoTray();
    auto disabledTip = hoverTip(again);
    ASSERT_TRUE(disabledTip) << "no tip over the icon";
    // "AlarmTime:07:30:00" is more than twice as long as "Disable".
    EXPECT_GT(armedTip->rect.width(), disabledTip->rect.width() * 3 / 2)
        << armedTip->rect.width() << " against " << disabledTip->rect.width();
}

TEST_F(XEmbedTrayTest, TheTrayMenuOpensAtThePointerAndExitEndsTheProgram)
{
    start();
    const Shown icon = hideIntoTray();
    clickIcon(icon, 3);
    auto menu = waitMenu();
    ASSERT_TRUE(menu) << "the tray menu did not open";
    // At the pointer, moved only as far as the screen's edge makes it.
    EXPECT_TRUE(menu->rect.adjusted(-2, -2, 2, 2).contains(pointer())) << pointer().x() << "," << pointer().y();
    EXPECT_FALSE(mainVisible());
    clickItem(*menu, 0);  // "Exit"
    EXPECT_EQ(zum().exitCode(10s), 0);
}

TEST_F(XEmbedTrayTest, ShowInTheTrayMenuBringsTheWindowBack)
{
    start();
    const Shown icon = hideIntoTray();
    clickIcon(icon, 3);
    auto menu = waitMenu();
    ASSERT_TRUE(menu) << "the tray menu did not open";
    clickItem(*menu, 1);  // "Show"
    ASSERT_TRUE(waitMainVisible(true)) << "Show did not show the window";
    // The window can go into the tray again.
    hideIntoTray();
}

TEST_F(XEmbedTrayTest, TheMainMenuOpensWithItsCornerAtThePointer)
{
    start();
    press(layout::kMenuButton);
    // The main menu is taller than the tray menu.
    std::optional<Shown> found;
    waitUntil(
        5s,
        [&] {
            for (const Shown& w : others())
                if (w.rect.width() > 48)
                    found = w;
            return found.has_value();
        },
        50ms);
    ASSERT_TRUE(found) << "the main menu did not open";
    EXPECT_EQ(found->rect.topLeft(), pointer());
    desktop_->key("Escape");
}

TEST_F(XEmbedTrayTest, TrayGoingAwayBringsTheWindowBackAndANewTrayGetsTheIcon)
{
    start();
    hideIntoTray();
    tray_->stop();
    ASSERT_TRUE(waitMainVisible(true, 10s)) << "the window did not come back when the tray went";
    tray_ = std::make_unique<XEmbedTray>(*display_);
    ASSERT_TRUE(waitIcon()) << "the icon did not come back into the new tray";
    EXPECT_TRUE(mainVisible()) << "the window stays until the user hides it";
}

TEST_F(XEmbedTrayTest, StartWithLogonOnThenOff)
{
    start();
    menu("r");  // "Auto &Run"
    const std::filesystem::path markerFile = alarmFile().parent_path() / "Zum.dat";
    const std::filesystem::path entry = display_->dir().path() / "xdg" / "autostart" / "ZUM.desktop";
    ASSERT_TRUE(waitUntil(5s, [&] { return std::filesystem::exists(markerFile) && std::filesystem::exists(entry); }))
        << "switching on wrote neither the marker nor the autostart entry";
    EXPECT_EQ(ReadBytes(markerFile), "null");
    const std::string contents = ReadBytes(entry);
    EXPECT_NE(contents.find("\nExec=\"" + ZumProgram::binary() + "\"\n"), std::string::npos) << contents;
    auto validate = x({"desktop-file-validate", entry.string()});
    EXPECT_EQ(validate.exitCode, 0) << validate.out << validate.err;
    EXPECT_EQ(closeByButton(), 0);

    // The next start, by hand, begins hidden in the tray.
    start({.startsHidden = true});
    auto icon = waitIcon();
    ASSERT_TRUE(icon) << "no icon in the tray after a start with logon";
    EXPECT_FALSE(zum().findMainWindow(500ms)) << "the window showed at a start with logon";
    clickIcon(*icon, 1, 2);
    ASSERT_TRUE(zum().findMainWindow(5s)) << "a double click did not show the window";

    menu("r");  // the checked "Auto &Run" switches off
    ASSERT_TRUE(waitUntil(5s, [&] { return !std::filesystem::exists(markerFile) && !std::filesystem::exists(entry); }))
        << "switching off left the marker or the entry";
    EXPECT_EQ(closeByButton(), 0);
    start();  // visible again
    EXPECT_TRUE(mainVisible());
}

class XEmbedTrayUnderWindowManager : public XEmbedTrayTest {
protected:
    XDisplay::Options displayOptions() const override { return {.windowManager = true}; }
};

TEST_F(XEmbedTrayUnderWindowManager, HidesShowsAndOpensTheTrayMenu)
{
    start();
    Shown icon = hideIntoTray();
    clickIcon(icon, 1, 2);
    ASSERT_TRUE(waitMainVisible(true)) << "a double click did not show the window";
    icon = hideIntoTray();
    clickIcon(icon, 3);
    auto menu = waitMenu();
    ASSERT_TRUE(menu) << "the tray menu did not open";
    clickItem(*menu, 1);  // "Show"
    ASSERT_TRUE(waitMainVisible(true)) << "Show did not show the window";
    icon = hideIntoTray();
    clickIcon(icon, 3);
    menu = waitMenu();
    ASSERT_TRUE(menu) << "the tray menu did not open";
    clickItem(*menu, 0);  // "Exit"
    EXPECT_EQ(zum().exitCode(10s), 0);
}

TEST_F(XEmbedTrayUnderWindowManager, ShowAndADoubleClickRestoreAMinimisedWindow)
{
    start();
    const Shown icon = hideIntoTray();
    clickIcon(icon, 1, 2);
    ASSERT_TRUE(waitMainVisible(true)) << "a double click did not show the window";
    minimise();
    clickIcon(icon, 1, 2);
    EXPECT_TRUE(waitRestoredInFront()) << "a double click left the window minimised";

    minimise();
    clickIcon(icon, 3);
    auto menu = waitMenu();
    ASSERT_TRUE(menu) << "the tray menu did not open over a minimised window";
    clickItem(*menu, 1);  // "Show"
    EXPECT_TRUE(waitRestoredInFront()) << "Show left the window minimised";
}

// A StatusNotifierItem host that shows the item's exported menu itself.
class XfcePanelTest : public TrayFixture {
protected:
    XDisplay::Options displayOptions() const override { return {.windowManager = true}; }
    void SetUp() override
    {
        TrayFixture::SetUp();
        panel_ = std::make_unique<XfcePanel>(*display_);
    }
    void TearDown() override
    {
        TrayFixture::TearDown();
        panel_.reset();
    }
    // "-", then the panel shows the icon.
    QPoint hide()
    {
        press(layout::kTrayButton);
        if (!waitMainVisible(false))
            throw std::runtime_error("the window did not hide");
        auto icon = panel_->waitForIcon(10s);
        if (!icon)
            throw std::runtime_error("the panel shows no icon");
        return *icon;
    }
    // Right-click on the icon: the panel's menu opens, and no menu of the
    // program beside it. Returns once the first item is chosen.
    void openMenuAndSelect(const QPoint& icon, int item)
    {
        x({"xdotool", "mousemove", std::to_string(icon.x()), std::to_string(icon.y()), "click", "3"});
        ASSERT_TRUE(panel_->waitForMenu(5s)) << "the panel showed no menu";
        EXPECT_TRUE(others().empty()) << "the program opened a menu of its own as well";
        for (int i = 0; i <= item; ++i)
            desktop_->key("Down");
        desktop_->key("Return");
        ASSERT_TRUE(panel_->menuGone(5s)) << "the menu stayed after its item was chosen";
    }
    std::unique_ptr<XfcePanel> panel_;
};

TEST_F(XfcePanelTest, ExitInTheIconsMenuEndsTheProgram)
{
    start();
    const QPoint icon = hide();
    openMenuAndSelect(icon, 0);  // "Exit"
    EXPECT_EQ(zum().exitCode(10s), 0);
}

TEST_F(XfcePanelTest, ShowInTheIconsMenuBringsBackAHiddenOrMinimisedWindow)
{
    start();
    const QPoint icon = hide();
    openMenuAndSelect(icon, 1);  // "Show"
    ASSERT_TRUE(waitMainVisible(true)) << "Show did not show the window";
    minimise();
    openMenuAndSelect(icon, 1);
    EXPECT_TRUE(waitRestoredInFront()) << "Show left the window minimised";
}

class NoTrayTest : public TrayFixture {};

TEST_F(NoTrayTest, HidingWithoutATrayLeavesTheWindowAndALaterTrayTakesTheIcon)
{
    start();
    press(layout::kTrayButton);
    // Proof that the click was handled: the next input, the menu button,
    // is answered, and the window is still there.
    press(layout::kMenuButton);
    ASSERT_TRUE(waitUntil(
        5s, [&] { return !others().empty(); }, 50ms))
        << "the main menu did not open after the tray button";
    desktop_->key("Escape");
    EXPECT_TRUE(mainVisible()) << "the window hid with no tray to hold its icon";

    XEmbedTray tray(*display_);
    ASSERT_TRUE(waitIcon()) << "the icon asked for did not appear in a tray that came later";
    EXPECT_TRUE(mainVisible());
}

TEST_F(NoTrayTest, StartWithLogonWithoutATrayShowsTheWindow)
{
    std::ofstream(alarmFile().parent_path() / "Zum.dat") << "null";
    start();  // waits for the main window
    EXPECT_TRUE(mainVisible());
}

class WindowCommands : public TrayFixture {};

TEST_F(WindowCommands, AboutShowsItsBoxAndOkClosesIt)
{
    start();
    menu("a");  // "&About"
    auto box = desktop_->findVisibleByName("^Z\\.U\\.M  V\\.1\\.3$", 10s);
    ASSERT_TRUE(box) << "the About box did not open";
    desktop_->focus(*box);
    desktop_->key("Return");
    EXPECT_TRUE(waitGone("^Z\\.U\\.M  V\\.1\\.3$", 5s)) << "the About box did not close";
    EXPECT_TRUE(mainVisible()) << "closing the box left the program";
    EXPECT_FALSE(zum().exitCode(200ms)) << "the program ended with the About box";
}

class SniTrayTest : public TrayFixture {
protected:
    void SetUp() override
    {
        TrayFixture::SetUp();
        host_ = std::make_unique<SniHost>(*display_);
    }
    void TearDown() override
    {
        if (HasFailure() && host_)
            std::cerr << "---- watcher\n" << host_->log() << "\n";
        TrayFixture::TearDown();
        host_.reset();
    }
    std::string hide()
    {
        press(layout::kTrayButton);
        auto item = host_->waitForItem(10s);
        if (!item)
            throw std::runtime_error("no item registered with the watcher");
        if (!waitMainVisible(false))
            throw std::runtime_error("the window did not hide");
        return *item;
    }
    std::unique_ptr<SniHost> host_;
};

TEST_F(SniTrayTest, RegistersTheItemWithTheAlarmStateAsItsTip)
{
    writeAlarmFile("07:30:00", makeTone(1).string());
    start();
    const std::string item = hide();
    std::optional<std::string> tip;
    EXPECT_TRUE(waitUntil(
        3s, [&] { return (tip = host_->toolTip(item)) == "AlarmTime:07:30:00"; }, 50ms))
        << "tip: " << tip.value_or("(none)");

    ASSERT_TRUE(host_->call(item, "Activate", 10, 10));
    ASSERT_TRUE(host_->call(item, "Activate", 10, 10));
    ASSERT_TRUE(waitMainVisible(true)) << "two activations did not show the window";
    press(layout::kOnButton);  // "OFF"
    EXPECT_TRUE(waitUntil(
        3s, [&] { return (tip = host_->toolTip(item)) == "Disable"; }, 50ms))
        << "tip: " << tip.value_or("(none)");
}

TEST_F(SniTrayTest, ContextMenuOpensTheTrayMenuAtThePointer)
{
    start();
    const std::string item = hide();
    x({"xdotool", "mousemove", "600", "500"});
    ASSERT_TRUE(waitUntil(2s, [&] { return pointer() == QPoint(600, 500); }));
    ASSERT_TRUE(host_->call(item, "ContextMenu", 600, 500));
    auto menu = waitMenu();
    ASSERT_TRUE(menu) << "ContextMenu did not open the tray menu";
    EXPECT_EQ(menu->rect.topLeft(), QPoint(600, 500));
    clickItem(*menu, 1);  // "Show"
    EXPECT_TRUE(waitMainVisible(true)) << "Show did not show the window";
}

TEST_F(SniTrayTest, HostGoingAwayWhileHiddenBringsTheWindowBack)
{
    start();
    hide();
    host_->stop();
    EXPECT_TRUE(waitMainVisible(true, 10s)) << "the window did not come back when the host went";
}

}  // namespace
