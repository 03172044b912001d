// The main window's pop-up menus and the main menu's start-with-logon
// switch.
#include "app/Form1.h"

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>

#include "settings/AutostartEntry.h"
#include "app/DeferredPopUp.h"
#include "settings/MarkerFile.h"

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
    // The menu belongs to this window (its parent). A hidden window cannot
    // take the focus; the menu then takes the keyboard and the pointer
    // itself, as it always does.
    if (onScreen) {
        raise();
        activateWindow();
        menu->popup(at);
        return;
    }
    if (mustWait) {
        menu->hide();
        FDeferredPopUp->Defer(menu, at);
        return;
    }
    FDeferredPopUp->Cancel();
    menu->popup(at);
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
