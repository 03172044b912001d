#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>

class QMenu;

// A pop-up menu asked for right after the program's window went from the
// screen. The program is then still counted active, the desktop's word that
// it lost the focus being on its way, and when that word comes every open
// menu closes. Such a menu waits for the word, or for the end of a wait,
// and then opens at the place it was asked for. One menu waits at a time.
class TDeferredPopUp final : public QObject {
public:
    explicit TDeferredPopUp(QObject* parent, int waitMs = 1000);

    // Whether a menu asked for now must wait, the window that owns it being
    // off the screen (hidden or minimised) or not.
    static bool MustWait(bool windowOnScreen);

    // Lets `menu` wait to open at `at`, in place of any menu waiting.
    void Defer(QMenu* menu, const QPoint& at);
    // Forgets the waiting menu, if any.
    void Cancel();
    bool Pending() const { return !FMenu.isNull(); }

private:
    void Open();

    QPointer<QMenu> FMenu;
    QPoint FAt;
    QTimer FWait;
};
