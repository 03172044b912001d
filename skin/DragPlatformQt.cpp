#include "skin/DragPlatformQt.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QMouseEvent>
#include <QWindow>

#include <utility>

void TfcQtDragPlatform::SetFiltering(bool Value)
{
    if (Value == FFiltering)
        return;
    FFiltering = Value;
    if (Value)
        QCoreApplication::instance()->installEventFilter(this);
    else
        QCoreApplication::instance()->removeEventFilter(this);
}

void TfcQtDragPlatform::HoldPointer(QPoint Press)
{
    // A press whose loop never started gives back what it held first.
    EndHold();
    FKnown = Press;
    FHeld.clear();
    FHolding = true;
    SetFiltering(true);
}

void TfcQtDragPlatform::EndHold()
{
    if (!FHolding)
        return;
    FHolding = false;
    SetFiltering(false);
    const std::deque<Held> held = std::exchange(FHeld, {});
    for (const Held& h : held)
        if (h.receiver != nullptr && h.event)
            QCoreApplication::sendEvent(h.receiver, h.event.get());
}

void TfcQtDragPlatform::SetCapture()
{
    if (FHolding) {
        // The moves since the press are the loop's: no event is handled
        // between here and its first wait, which filters again.
        FHolding = false;
        SetFiltering(false);
    } else {
        FKnown = QCursor::pos();
        FHeld.clear();
    }
    if (FForm != nullptr)
        FForm->grabMouse();
}

void TfcQtDragPlatform::ReleaseCapture()
{
    if (FForm != nullptr && QWidget::mouseGrabber() == FForm)
        FForm->releaseMouse();
}

bool TfcQtDragPlatform::eventFilter(QObject* watched, QEvent* event)
{
    // Mouse events are taken where they enter the program, at the window,
    // before any widget sees them.
    if (watched->isWindowType()) {
        const QEvent::Type type = event->type();
        const bool move = type == QEvent::MouseMove;
        const bool release =
            type == QEvent::MouseButtonRelease && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        if (move || release) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            Held held{move ? TfcLoopMessage::Kind::MouseMove : TfcLoopMessage::Kind::LButtonUp, watched, nullptr,
                      mouse->globalPosition().toPoint()};
            if (release || FHolding)
                held.event.reset(event->clone());
            FHeld.push_back(std::move(held));
            FWoken = true;
            if (FWaiting != nullptr)
                FWaiting->exit(0);
            return true;
        }
    }
    // A grab taken away while waiting ends the wait, so the loop sees it.
    if (FWaiting != nullptr && !HasCapture()) {
        FWoken = true;
        FWaiting->exit(0);
    }
    return false;
}

TfcLoopMessage TfcQtDragPlatform::GetMessage()
{
    if (FHeld.empty() && HasCapture()) {
        QEventLoop loop;
        FWaiting = &loop;
        FWoken = false;
        SetFiltering(true);
        const int code = loop.exec();
        SetFiltering(false);
        FWaiting = nullptr;
        // The loop ended without us: the program is quitting. Qt has told
        // every running loop, the main one included.
        if (!FWoken)
            return {TfcLoopMessage::Kind::Quit, code};
    }
    // Nothing came for the loop: an Other with nothing to dispatch.
    if (FHeld.empty())
        FHeld.push_back({TfcLoopMessage::Kind::Other, nullptr, nullptr, FKnown});
    FLast = std::move(FHeld.front());
    FHeld.pop_front();
    FKnown = FLast.global;
    return {FLast.kind, 0};
}

void TfcQtDragPlatform::DispatchMessage()
{
    // Other events were dispatched while waiting. The release goes out with
    // the grab let go, so Qt hands it to the control that was pressed, as
    // any release.
    if (FLast.kind != TfcLoopMessage::Kind::LButtonUp || !FLast.event)
        return;
    ReleaseCapture();
    if (FLast.receiver != nullptr)
        QCoreApplication::sendEvent(FLast.receiver, FLast.event.get());
    FLast.event.reset();
}

void TfcQtDragPlatform::RemoveMouseMoves()
{
    // Let what is waiting come in (through the filter) and drop its moves;
    // a release among them stays for the loop.
    if (!FFiltering) {
        SetFiltering(true);
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        SetFiltering(false);
    }
    const auto isMove = [](const Held& h) { return h.kind == TfcLoopMessage::Kind::MouseMove; };
    for (const Held& h : FHeld)
        if (isMove(h))
            FKnown = h.global;
    std::erase_if(FHeld, isMove);
}

void TfcQtDragPlatform::MoveForm(QPoint TopLeft, bool Show)
{
    if (FForm == nullptr)
        return;
    FForm->move(TopLeft);
    if (Show && !FForm->isVisible())
        FForm->show();
}

bool TfcQtDragPlatform::StartSystemMove()
{
    QWindow* window = FForm != nullptr ? FForm->windowHandle() : nullptr;
    return window != nullptr && window->startSystemMove();
}

void TfcQtDragPlatform::InvertFocusRect(const QRect& Rect)
{
    if (!FOverlay)
        FOverlay = std::make_unique<TfcFocusFrameOverlay>();
    FOverlay->Invert(Rect);
}
