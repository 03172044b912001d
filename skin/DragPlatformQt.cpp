#include "skin/DragPlatformQt.h"

#include <QCoreApplication>
#include <QCursor>
#include <QEventLoop>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include "skin/FocusFrameOverlay.h"

TfcQtDragPlatform::TfcQtDragPlatform(QWidget* form) : FForm(form) {}

TfcQtDragPlatform::~TfcQtDragPlatform()
{
    StopFiltering();
}

void TfcQtDragPlatform::StartFiltering()
{
    if (!FFiltering)
        QCoreApplication::instance()->installEventFilter(this);
    FFiltering = true;
}

void TfcQtDragPlatform::StopFiltering()
{
    if (FFiltering)
        QCoreApplication::instance()->removeEventFilter(this);
    FFiltering = false;
}

QPoint TfcQtDragPlatform::CursorPos()
{
    return FKnown;
}

void TfcQtDragPlatform::HoldPointer(QPoint Press)
{
    // A press whose loop never started gives back what it held first.
    EndHold();
    FKnown = Press;
    FHeld.clear();
    FHolding = true;
    StartFiltering();
}

void TfcQtDragPlatform::EndHold()
{
    if (!FHolding)
        return;
    FHolding = false;
    StopFiltering();
    std::deque<Held> held;
    held.swap(FHeld);
    for (Held& h : held)
        if (h.receiver != nullptr && h.event)
            QCoreApplication::sendEvent(h.receiver, h.event.get());
}

void TfcQtDragPlatform::SetCapture()
{
    if (FHolding) {
        // The moves since the press are the loop's: no event is handled
        // between here and its first wait, which filters again.
        FHolding = false;
        StopFiltering();
    } else {
        FKnown = QCursor::pos();
        FHeld.clear();
    }
    if (FForm != nullptr)
        FForm->grabMouse();
}

bool TfcQtDragPlatform::HasCapture()
{
    return FForm != nullptr && QWidget::mouseGrabber() == FForm && FForm->isVisible();
}

void TfcQtDragPlatform::ReleaseCapture()
{
    if (FForm != nullptr && QWidget::mouseGrabber() == FForm)
        FForm->releaseMouse();
}

bool TfcQtDragPlatform::LeftButtonDown()
{
    return (QGuiApplication::mouseButtons() & Qt::LeftButton) != 0;
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
        StartFiltering();
        const int code = loop.exec();
        StopFiltering();
        FWaiting = nullptr;
        // The loop ended without us: the program is quitting. Qt has told
        // every running loop, the main one included.
        if (!FWoken)
            return {TfcLoopMessage::Kind::Quit, code};
    }
    if (FHeld.empty()) {
        FLast = Held{TfcLoopMessage::Kind::Other, nullptr, nullptr, {}};
        return {TfcLoopMessage::Kind::Other, 0};
    }
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

void TfcQtDragPlatform::PostQuitMessage(int)
{
    // QCoreApplication::exit has already ended every running loop, the main
    // one included, with its code; asking again would change nothing.
}

void TfcQtDragPlatform::Sleep(int Milliseconds)
{
    QThread::msleep(static_cast<unsigned long>(Milliseconds));
}

void TfcQtDragPlatform::RemoveMouseMoves()
{
    // Let what is waiting come in (through the filter) and drop its moves;
    // a release among them stays for the loop.
    if (!FFiltering) {
        StartFiltering();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        StopFiltering();
    }
    for (auto it = FHeld.begin(); it != FHeld.end();) {
        if (it->kind == TfcLoopMessage::Kind::MouseMove) {
            FKnown = it->global;
            it = FHeld.erase(it);
        } else {
            ++it;
        }
    }
}

QPoint TfcQtDragPlatform::ClientToScreen(QPoint Client)
{
    return FForm != nullptr ? FForm->mapToGlobal(Client) : Client;
}

QSize TfcQtDragPlatform::FormSize()
{
    return FForm != nullptr ? FForm->frameGeometry().size() : QSize();
}

void TfcQtDragPlatform::MoveForm(QPoint TopLeft, bool Show)
{
    if (FForm == nullptr)
        return;
    FForm->move(TopLeft);
    if (Show && !FForm->isVisible())
        FForm->show();
}

bool TfcQtDragPlatform::DragFullWindows()
{
    // Desktops here always move windows with their contents.
    return true;
}

bool TfcQtDragPlatform::OnlySystemMove()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
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
