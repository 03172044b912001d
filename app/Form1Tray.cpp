// The main window's tray, start-with-logon and window commands: the tray
// hint, hiding into the tray and showing again, the two pop-up menus and the
// start-with-logon switch.
#include "app/Form1.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QScreen>
#include <QTimer>
#include <QWindow>

#include <utility>

#include "app/AutostartEntry.h"
#include "app/ExceptionBox.h"
#include "app/SpeedButton.h"
#include "app/MarkerFile.h"
#include "app/TrayHint.h"
#include "app/TrayIconResource.h"
#include "tray/QtNotifyArea.h"
#include "tray/TaskIcon.h"

namespace {

std::string ToBytes(const QString& text)
{
    return text.toLocal8Bit().toStdString();
}

}  // namespace

void TForm1::CreateTrayIcon()
{
    FNotifyArea = FServices.makeNotifyArea ? FServices.makeNotifyArea() : std::make_unique<TQtNotifyArea>();
    TaskIcon1 = std::make_unique<TTaskIcon>(*FNotifyArea, this, "TaskIcon1");
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

    TrayWatch = new QTimer(this);
    TrayWatch->setInterval(500);

    FPopUpWait = new QTimer(this);
    FPopUpWait->setSingleShot(true);
    FPopUpWait->setInterval(1000);
}

void TForm1::WireTrayCommands()
{
    // A tray that shows the item's own menu on a right-click shows the tray
    // menu; elsewhere a right-click reports here and the menu pops up below.
    TaskIcon1->SetPopupMenu(PopupMenu2);
    auto wire = [this](auto* sender, auto signal, void (TForm1::*handler)()) {
        connect(sender, signal, this, [this, handler] { RunGuarded([this, handler] { (this->*handler)(); }); });
    };
    wire(SpeedButton2, &QAbstractButton::clicked, &TForm1::SpeedButton2Click);
    wire(Show1, &QAction::triggered, &TForm1::Show1Click);
    wire(AutoRun1, &QAction::triggered, &TForm1::AutoRun1Click);
    wire(AutoRun2, &QAction::triggered, &TForm1::AutoRun2Click);
    wire(TrayWatch, &QTimer::timeout, &TForm1::TrayWatchTimer);
    wire(FPopUpWait, &QTimer::timeout, &TForm1::OpenPendingPopUp);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            RunGuarded([this] { OpenPendingPopUp(); });
    });
}

void TForm1::closeEvent(QCloseEvent* event)
{
    // Closing the main window ends the program, also while it is hidden in
    // the tray and whatever other window (a message box) closes last.
    QWidget::closeEvent(event);
    if (event->isAccepted())
        QCoreApplication::quit();
}

void TForm1::SetTrayHintNow()
{
    TaskIcon1->SetHint(TrayHint::Immediate(Armed(), ToBytes(Label2->text())));
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
        FRefreshHint = TrayHint::Refresh(armed, ToBytes(caption));
    }
    TaskIcon1->SetHint(FRefreshHint);
}

void TForm1::ShowInTray()
{
    FTrayWanted = true;
    TaskIcon1->SetActive(true);
    TrayWatch->start();
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

void TForm1::PopUp(QMenu* menu)
{
    // Without a screen there is no pointer position to open the menu at.
    if (QGuiApplication::primaryScreen() == nullptr)
        return;
    const QPoint at = QCursor::pos();
    // Right after the window hid, the desktop's word that the program lost
    // the focus may still be on its way; when it comes, every open menu
    // closes. A menu asked for in that moment waits for it, a second at most.
    // A minimised window is off the screen as much as a hidden one.
    const bool onScreen = isVisible() && !isMinimized();
    const QWindow* focus = QGuiApplication::focusWindow();
    const bool focusLeaving = !onScreen && QGuiApplication::applicationState() == Qt::ApplicationActive &&
                              (focus == nullptr || !focus->isVisible());
    // An XEmbed tray has the framework open the icon's menu at the press
    // that reports the right-click: that menu is this one, and it stays.
    if (menu->isVisible() && !focusLeaving)
        return;
    // The menu belongs to this window (its parent). A hidden window cannot
    // take the focus; the menu then takes the keyboard and the pointer
    // itself, as it always does.
    if (onScreen) {
        raise();
        activateWindow();
        menu->popup(at);
        return;
    }
    if (focusLeaving) {
        menu->hide();
        FPendingMenu = menu;
        FPendingAt = at;
        FPopUpWait->start();
        return;
    }
    FPendingMenu = nullptr;
    FPopUpWait->stop();
    menu->popup(at);
}

void TForm1::OpenPendingPopUp()
{
    QMenu* menu = std::exchange(FPendingMenu, nullptr);
    FPopUpWait->stop();
    if (menu != nullptr)
        menu->popup(FPendingAt);
}

void TForm1::TrayWatchTimer()
{
    if (!FTrayWanted)
        return;
    const bool available = TaskIcon1->AreaAvailable();
    if (!TaskIcon1->Active()) {
        // A tray that came after the icon was asked for takes it now.
        if (available)
            TaskIcon1->SetActive(true);
        return;
    }
    if (!available) {
        // The tray went away with the icon: take it back so that a tray
        // that comes later gets it anew, and bring the window back so the
        // program stays reachable.
        TaskIcon1->SetActive(false);
        if (isHidden())
            ShowMainWindow();
    }
}

void TForm1::AutoRun1Click()
{
    const QByteArray executable = QFile::encodeName(QCoreApplication::applicationFilePath());
    // Neither result is checked: without the right to write the machine-wide
    // entry the switch and the marker still follow the user's choice.
    AutostartEntry::Write(executable.toStdString());
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
