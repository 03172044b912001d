#pragma once

#include <QEvent>
#include <QObject>
#include <QPointer>

#include <deque>
#include <memory>

#include "skin/DragPlatform.h"

class QEventLoop;
class QWidget;
class TfcFocusFrameOverlay;

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
    explicit TfcQtDragPlatform(QWidget* form);
    ~TfcQtDragPlatform() override;

    QPoint CursorPos() override;
    void HoldPointer(QPoint Press) override;
    void EndHold() override;
    void SetCapture() override;
    bool HasCapture() override;
    void ReleaseCapture() override;
    bool LeftButtonDown() override;
    TfcLoopMessage GetMessage() override;
    void DispatchMessage() override;
    void PostQuitMessage(int ExitCode) override;
    void Sleep(int Milliseconds) override;
    void RemoveMouseMoves() override;
    QPoint ClientToScreen(QPoint Client) override;
    QSize FormSize() override;
    void MoveForm(QPoint TopLeft, bool Show) override;
    bool DragFullWindows() override;
    bool OnlySystemMove() override;
    bool StartSystemMove() override;
    void InvertFocusRect(const QRect& Rect) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void StartFiltering();
    void StopFiltering();

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
