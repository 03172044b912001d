// The main window's tray commands: the tray hint, hiding into the tray and
// showing again, and the tray icon's events.
#include "app/Form1.h"

#include <QAction>
#include <QLabel>
#include <QMenu>

#include "app/DeferredPopUp.h"
#include "app/ExceptionBox.h"
#include "settings/MarkerFile.h"
#include "app/SpeedButton.h"
#include "app/TrayHint.h"
#include "app/TrayIconResource.h"
#include "tray/TaskIcon.h"
#include "tray/TrayBackend.h"

void TForm1::CreateTrayIcon()
{
    TaskIcon1 = std::make_unique<TTaskIcon>(this, "TaskIcon1",
                                            FServices.makeTrayBackend ? FServices.makeTrayBackend() : nullptr);
    TIcon picture;
    LoadBuiltInTrayIcon(picture);
    TaskIcon1->SetIcon(&picture);
    TaskIcon1->SetShowHint(true);
    TaskIcon1->SetTaskIconID(0);
    TaskIcon1->SetState(TStateTaskIcon::tiEnabled);
    TaskIcon1->SetInterval(1000);
    TaskIcon1->WhereIcons = TWhereTaskIcon::tiInFiles;
    // Tray reports come from the desktop outside any command, so each runs
    // guarded like one.
    TaskIcon1->OnDblClick = [this](TTaskIcon*) { RunGuarded([this] { TaskIcon1DblClick(); }); };
    TaskIcon1->OnRightClick = [this](TTaskIcon*, TMouseButton, TShiftState, int, int) {
        RunGuarded([this] { TaskIcon1RightClick(); });
    };
    // The tray went away with the icon: the window comes back so that the
    // program stays reachable.
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
    if (!FHintValid || armed != FHintArmed || caption != FHintCaption) {
        FHintValid = true;
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
    // Without a tray to hold the icon the window is the only way to reach
    // the program, so it is shown after all.
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

void TForm1::TaskIcon1DblClick()
{
    ShowMainWindow();
}

void TForm1::Show1Click()
{
    ShowMainWindow();
}

void TForm1::TaskIcon1RightClick()
{
    PopUp(PopupMenu2);
}
