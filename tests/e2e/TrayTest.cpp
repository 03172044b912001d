// The clock with a StatusNotifierItem host (xfce4-panel's status tray, or a
// bare watcher), with no tray at all, and the About box.

#include "TrayFixture.h"

namespace {

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
