#include "app/DeferredPopUp.h"

#include <QGuiApplication>
#include <QMenu>
#include <QWindow>

TDeferredPopUp::TDeferredPopUp(QObject* parent, int waitMs) : QObject(parent)
{
    FWait.setSingleShot(true);
    FWait.setInterval(waitMs);
    connect(&FWait, &QTimer::timeout, this, &TDeferredPopUp::Open);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            Open();
    });
}

bool TDeferredPopUp::MustWait(bool windowOnScreen)
{
    if (windowOnScreen || QGuiApplication::applicationState() != Qt::ApplicationActive)
        return false;
    const QWindow* focus = QGuiApplication::focusWindow();
    return focus == nullptr || !focus->isVisible();
}

void TDeferredPopUp::Defer(QMenu* menu, const QPoint& at)
{
    FMenu = menu;
    FAt = at;
    FWait.start();
}

void TDeferredPopUp::Cancel()
{
    FMenu.clear();
    FWait.stop();
}

void TDeferredPopUp::Open()
{
    QMenu* menu = FMenu.data();
    Cancel();
    if (menu != nullptr)
        menu->popup(FAt);
}
