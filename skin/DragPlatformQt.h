#pragma once

#include <QEvent>
#include <QGuiApplication>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <QWidget>

#include <deque>
#include <memory>

#include "skin/DragPlatform.h"
#include "skin/FocusFrameOverlay.h"

class QEventLoop;

// The drag loop's window system under Qt: the form's mouse grab, a nested
// event loop that dispatches everything but pointer moves and the left
// release, QCursor for the pointer, QWidget::move, QWindow::startSystemMove
// and an overlay window for the dotted frame.
//
// The pointer position the loop reads before each wait is where the last
// pointer event it took put the pointer: the window system delivers events
// in order, so a move is handled with the position of the move before it,
// however far the pointer has gone since (a live query would make that
// depend on how quickly the program keeps up).
class TfcQtDragPlatform final : public QObject, public TfcDragPlatform {
    Q_OBJECT
public:
    explicit TfcQtDragPlatform(QWidget* form) : FForm(form) {}
    ~TfcQtDragPlatform() override { SetFiltering(false); }

    QPoint CursorPos() override { return FKnown; }
    void HoldPointer(QPoint Press) override;
    void EndHold() override;
    void SetCapture() override;
    bool HasCapture() override { return FForm != nullptr && QWidget::mouseGrabber() == FForm && FForm->isVisible(); }
    void ReleaseCapture() override;
    bool LeftButtonDown() override { return (QGuiApplication::mouseButtons() & Qt::LeftButton) != 0; }
    TfcLoopMessage GetMessage() override;
    void DispatchMessage() override;
    // QCoreApplication::exit has already ended every running loop, the main
    // one included, with its code; asking again would change nothing.
    void PostQuitMessage(int) override {}
    void Sleep(int Milliseconds) override { QThread::msleep(static_cast<unsigned long>(Milliseconds)); }
    void RemoveMouseMoves() override;
    QPoint ClientToScreen(QPoint Client) override { return FForm != nullptr ? FForm->mapToGlobal(Client) : Client; }
    QSize FormSize() override { return FForm != nullptr ? FForm->frameGeometry().size() : QSize(); }
    void MoveForm(QPoint TopLeft, bool Show) override;
    // Desktops here always move windows with their contents.
    bool DragFullWindows() override { return true; }
    bool OnlySystemMove() override { return QGuiApplication::platformName().startsWith(QLatin1String("wayland")); }
    bool StartSystemMove() override;
    void InvertFocusRect(const QRect& Rect) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether this watches every event of the program.
    void SetFiltering(bool Value);

    struct Held {
        TfcLoopMessage::Kind kind;
        QPointer<QObject> receiver;
        std::unique_ptr<QEvent> event;  // to dispatch later: the release, or anything a hold ended without a loop
        QPoint global;                  // where the pointer was for this event
    };

    QPointer<QWidget> FForm;
    std::deque<Held> FHeld;
    Held FLast{TfcLoopMessage::Kind::Other, nullptr, nullptr, {}};
    // The pointer as of the last pointer event taken from the queue.
    QPoint FKnown;
    QEventLoop* FWaiting = nullptr;  // the nested loop GetMessage runs, if any
    bool FWoken = false;
    bool FFiltering = false;
    bool FHolding = false;  // a press waits for its loop; the filter holds for it
    std::unique_ptr<TfcFocusFrameOverlay> FOverlay;
};
