// The main window's tray hint, tray commands and icon events, its pop-up
// menus and the main menu's start-with-logon switch.
#include "app/Form1.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>

#include "app/DeferredPopUp.h"
#include "app/ExceptionBox.h"
#include "app/TrayHint.h"
#include "settings/AutostartEntry.h"
#include "settings/MarkerFile.h"
#include "tray/TaskIcon.h"
#include "tray/TrayBackend.h"

void TForm1::CreateTrayIcon()
{
    TaskIcon1 = std::make_unique<TTaskIcon>(this, "TaskIcon1",
                                            FServices.makeTrayBackend ? FServices.makeTrayBackend() : nullptr);
    // The built-in icon resource "ZUM" (32 x 32, 16 colours); a static
    // library's resources are registered only when something names them.
    Q_INIT_RESOURCE(icons);
    TIcon picture;
    picture.LoadFromResource("ZUM");
    TaskIcon1->SetIcon(&picture);
    TaskIcon1->SetShowHint(true);
    TaskIcon1->SetTaskIconID(0);
    TaskIcon1->SetState(TStateTaskIcon::tiEnabled);
    TaskIcon1->SetInterval(1000);
    TaskIcon1->WhereIcons = TWhereTaskIcon::tiInFiles;
    // Tray reports come from outside any command, so each runs guarded like one.
    TaskIcon1->OnDblClick = [this](TTaskIcon*) { RunGuarded([this] { TaskIcon1DblClick(); }); };
    TaskIcon1->OnRightClick = [this](TTaskIcon*, TMouseButton, TShiftState, int, int) {
        RunGuarded([this] { TaskIcon1RightClick(); });
    };
    // The tray went away with the icon: the window comes back to keep the program reachable.
    TaskIcon1->OnTrayGone = [this](TTaskIcon*) {
        RunGuarded([this] {
            if (isHidden())
                ShowMainWindow();
        });
    };

    FDeferredPopUp = new TDeferredPopUp(this);
}

void TForm1::SetTrayHintNow()
{
    TaskIcon1->SetHint(TrayHint::Immediate(Armed(), FAlarmText.Bytes()));
}

void TForm1::RefreshTrayHint()
{
    // Ten times a second: an unchanged alarm state costs two comparisons and
    // the icon's own comparison, with no allocation.
    const bool armed = Armed();
    const QString caption = Label2->text();
    if (FHintArmed != armed || caption != FHintCaption) {
        FHintArmed = armed;
        FHintCaption = caption;
        FRefreshHint = TrayHint::Refresh(armed, FAlarmText.Bytes());
    }
    TaskIcon1->SetHint(FRefreshHint);
}

void TForm1::ShowInTray()
{
    // The icon was asked for, so it belongs in a tray whenever one is there.
    TaskIcon1->SetFollowTray(true);
    TaskIcon1->SetActive(true);
}

void TForm1::StartWithLogonCheck()
{
    if (!MarkerFile::Exists())
        return;
    ShowInTray();
    // Without a tray for the icon the window is the only way in, so it is shown.
    if (TaskIcon1->Active())
        FShowOnStart = false;
    AutoRun2->setVisible(true);
    AutoRun1->setVisible(false);
}

void TForm1::SpeedButton2Click()
{
    ShowInTray();
    // The window goes only where the icon could go.
    if (TaskIcon1->Active())
        hide();
    SetTrayHintNow();
}

void TForm1::ShowMainWindow()
{
    // A window the window manager minimised is still shown to the framework:
    // it comes back only when it is no longer minimised.
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void TForm1::PopUp(QMenu* menu)
{
    // Without a screen there is no pointer position to open the menu at.
    if (QGuiApplication::primaryScreen() == nullptr)
        return;
    const QPoint at = QCursor::pos();
    // A minimised window is off the screen as much as a hidden one.
    const bool onScreen = isVisible() && !isMinimized();
    const bool mustWait = TDeferredPopUp::MustWait(onScreen);
    // An XEmbed tray has the framework open the icon's menu at the press
    // that reports the right-click: that menu is this one, and it stays.
    if (menu->isVisible() && !mustWait)
        return;
    if (mustWait) {  // never while on the screen
        menu->hide();
        FDeferredPopUp->Defer(menu, at);
        return;
    }
    // The menu belongs to this window (its parent). A hidden window cannot take
    // the focus; the menu then takes the keyboard and pointer itself, as always.
    if (onScreen) {
        raise();
        activateWindow();
    } else {
        FDeferredPopUp->Cancel();
    }
    menu->popup(at);
}

void TForm1::AutoRun1Click()
{
    // Neither result is checked: without the right to write the machine-wide
    // entry the switch and the marker still follow the user's choice.
    AutostartEntry::Write(QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString());
    AutoRun2->setVisible(true);
    AutoRun1->setVisible(false);
    try {
        MarkerFile::Write();
    } catch (const std::exception&) {
    }
}

void TForm1::AutoRun2Click()
{
    AutostartEntry::Delete();
    AutoRun1->setVisible(true);
    AutoRun2->setVisible(false);
    MarkerFile::Delete();
}
