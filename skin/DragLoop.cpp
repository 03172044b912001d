// The drag loop of the image form: moves the form for a left-button drag on
// the skin, with a dotted frame that follows the pointer and a jump of the
// window to it on release, or live through the window system's own move.

#include <QScopeGuard>

#include <cstdlib>

#include "skin/CustomImageForm.h"
#include "skin/DragPlatform.h"

bool TfcCustomImageForm::GetDragFullWindows()
{
    return FOptions.Contains(TfcImageFormOption::ifUseWindowsDrag) && DragPlatform().DragFullWindows();
}

void TfcCustomImageForm::FormMouseDown(Qt::MouseButton, Qt::KeyboardModifiers, int X, int Y)
{
    QWidget* form = ParentForm();
    if (form == nullptr)
        return;
    if (FCaptionBarControl != nullptr &&
        !QRect(FCaptionBarControl->mapTo(form, QPoint(0, 0)), FCaptionBarControl->size()).contains(X, Y))
        return;
    TfcDragPlatform& platform = DragPlatform();
    // Where a program may not place its own windows, only the window
    // system's move can move it.
    if (platform.OnlySystemMove() || GetDragFullWindows()) {
        platform.EndHold();
        platform.ReleaseCapture();
        if (platform.StartSystemMove())
            return;
        // Refused (no window manager to do it): the component's own loop.
    }
    MouseLoop(X, Y);
}

void TfcCustomImageForm::MouseLoop(int X, int Y)
{
    TfcDragPlatform& platform = DragPlatform();
    FDragging = false;
    bool firstMove = true;
    QRect dragRect;
    FInMouseLoop = true;
    platform.SetCapture();

    // However the loop ends (release, lost grab, quit, failed wait, an
    // exception), the grab is let go and no frame stays on the screen.
    const auto ending = qScopeGuard([this, &platform] {
        if (platform.HasCapture())
            platform.ReleaseCapture();
        if (FFrameOnScreen)
            DrawFocusRect(FLastFocusRect);
        FDragging = false;
        FInMouseLoop = false;
    });

    while (platform.HasCapture()) {
        // The position is read before the wait: a move is handled with where
        // the pointer was before that move arrived.
        const QPoint cursor = platform.CursorPos();
        const TfcLoopMessage message = platform.GetMessage();
        switch (message.kind) {
        case TfcLoopMessage::Kind::Error:
            return;
        case TfcLoopMessage::Kind::Quit:
            platform.PostQuitMessage(message.ExitCode);
            return;
        case TfcLoopMessage::Kind::MouseMove:
            MouseLoop_MouseMove(X, Y, cursor, firstMove, dragRect);
            break;
        case TfcLoopMessage::Kind::LButtonUp:
            MouseLoop_MouseUp(X, Y, cursor, dragRect);
            platform.DispatchMessage();
            if (platform.HasCapture())
                platform.ReleaseCapture();
            break;
        case TfcLoopMessage::Kind::Other:
            platform.DispatchMessage();
            break;
        }
    }
}

void TfcCustomImageForm::MouseLoop_MouseMove(int X, int Y, QPoint CursorPos, bool& FirstMove, QRect& DragRect)
{
    TfcDragPlatform& platform = DragPlatform();
    const QPoint S = platform.ClientToScreen(mapTo(ParentForm(), QPoint(X, Y)));
    if (std::abs(CursorPos.x() - S.x()) <= FDragTolerance && std::abs(CursorPos.y() - S.y()) <= FDragTolerance)
        return;
    if (GetDragFullWindows()) {
        FDragging = true;
        platform.Sleep(10);
        platform.RemoveMouseMoves();
        platform.MoveForm(platform.CursorPos() - QPoint(X, Y), false);
        return;
    }
    if (FirstMove)
        FDragging = true;
    else
        DrawFocusRect(FLastFocusRect);
    DragRect = QRect(CursorPos - QPoint(X, Y), platform.FormSize());
    DrawFocusRect(DragRect);
    FLastFocusRect = DragRect;
    FirstMove = false;
}

void TfcCustomImageForm::MouseLoop_MouseUp(int, int, QPoint, const QRect& DragRect)
{
    if (!FDragging)
        return;
    FDragging = false;
    if (GetDragFullWindows())
        return;
    TfcDragPlatform& platform = DragPlatform();
    if (FFrameOnScreen)
        DrawFocusRect(FLastFocusRect);
    platform.MoveForm(DragRect.topLeft(), true);
    if (platform.HasCapture())
        platform.ReleaseCapture();
}

void TfcCustomImageForm::DrawFocusRect(const QRect& Rect)
{
    // Three nested one-pixel outlines make a frame three pixels thick.
    TfcDragPlatform& platform = DragPlatform();
    for (int i = 0; i < 3; ++i)
        platform.InvertFocusRect(Rect.adjusted(i, i, -i, -i));
    FFrameOnScreen = !FFrameOnScreen;
}
