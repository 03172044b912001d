#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QTimer>

class QMenu;

// A pop-up menu asked for right after the program's window left the screen.
// The program still counts as active until the desktop's word that it lost
// the focus comes, which closes every open menu; so such a menu waits for
// that word, or a timeout, then opens where asked. One menu waits at a time.
class TDeferredPopUp final : public QObject {
public:
    explicit TDeferredPopUp(QObject* parent, int waitMs = 1000);

    // Whether a menu asked for now must wait, its window being hidden or minimised or not.
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
