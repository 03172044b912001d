#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// One message the drag loop waited for.
struct TfcLoopMessage {
    enum class Kind {
        MouseMove,  // a pointer move: consumed by the loop, never dispatched
        LButtonUp,  // the left button's release: dispatched after the loop saw it
        Other,      // anything else: dispatched as usual
        Quit,       // the program is asked to end, with ExitCode
        Error,      // the wait failed
    };
    Kind kind = Kind::Other;
    int ExitCode = 0;
};

// What the drag loop needs of the window system, for one form: the pointer,
// the mouse grab, the thread's messages, moving the form and the dotted
// frame on the screen.
class TfcDragPlatform {
public:
    virtual ~TfcDragPlatform() = default;

    // The pointer's position on the screen now.
    virtual QPoint CursorPos() = 0;
    // A press at the screen point will start the loop once its own handling
    // is over. Until then pointer moves and the left release wait for the
    // loop, which takes them with the pointer known to be at the press;
    // SetCapture keeps them.
    virtual void HoldPointer(QPoint Press) = 0;
    // The held press starts no loop after all: what waited goes out as usual.
    virtual void EndHold() = 0;
    virtual void SetCapture() = 0;
    // Whether the form still holds the grab.
    virtual bool HasCapture() = 0;
    virtual void ReleaseCapture() = 0;
    virtual bool LeftButtonDown() = 0;

    // Waits for the next message; everything that is neither a pointer move
    // nor the left release may be dispatched while waiting.
    virtual TfcLoopMessage GetMessage() = 0;
    // Dispatches the message GetMessage returned last (Other, LButtonUp).
    virtual void DispatchMessage() = 0;
    // Tells the program's main loop to end with the code.
    virtual void PostQuitMessage(int ExitCode) = 0;
    virtual void Sleep(int Milliseconds) = 0;
    virtual void RemoveMouseMoves() = 0;

    // A point of the form's client area on the screen, with the form where
    // it is now.
    virtual QPoint ClientToScreen(QPoint Client) = 0;
    virtual QSize FormSize() = 0;
    // Moves the form's top-left to the screen point, keeping its size,
    // stacking and activation; `show` also shows it.
    virtual void MoveForm(QPoint TopLeft, bool Show) = 0;

    // The desktop's choice of moving windows with their contents.
    virtual bool DragFullWindows() = 0;
    // Whether the form may only move through the window system's own move
    // (a native Wayland session).
    virtual bool OnlySystemMove() = 0;
    // Hands the move to the window system's own move loop; false when it
    // refuses.
    virtual bool StartSystemMove() = 0;

    // Inverts the one-pixel dotted outline of the rectangle on the screen:
    // inverting the same rectangle again restores the screen.
    virtual void InvertFocusRect(const QRect& Rect) = 0;
};
