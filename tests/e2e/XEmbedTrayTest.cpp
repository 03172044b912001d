// The clock in an XEmbed tray (trayer, with and without a window manager),
// as a person sees it: hiding into the tray, the icon's tip, double click and
// menu, the tray going and coming, and start with logon.

#include "TrayFixture.h"

namespace {

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

}  // namespace
