#pragma once

#include <QPointer>
#include <QRect>

#include <cstdint>
#include <memory>
#include <optional>

#include "skin/CaptureMessageClass.h"
#include "skin/CustomImage.h"
#include "skin/DragPlatform.h"
#include "skin/Region.h"
#include "skin/SystemColor.h"

class ByteSink;
class ByteSource;

enum class TfcImageFormOption { ifUseWindowsDrag };

struct TfcImageFormOptions {
    bool ifUseWindowsDrag = false;
    bool Contains(TfcImageFormOption) const { return ifUseWindowsDrag; }
};

// The skin of a borderless form: fills the form, paints the picture, gives
// the form's window the outline of the picture and moves the form when the
// user drags the picture with the left button.
//
// Outline ownership: a region handed to the window (setMask) is the
// window's from then on; the component keeps it only as the record that an
// outline is set and never hands it anywhere else. A region that was not
// handed over (design mode) is the component's own.
//
// In design mode regions are computed and held but never handed to a
// window, no hook watches the form, presses do nothing, and the paint adds
// a dashed outline.
class TfcCustomImageForm : public TfcCustomImage {
    Q_OBJECT
public:
    explicit TfcCustomImageForm(QWidget* AOwner);
    // A region the window holds is the window's; one of our own goes with us.
    ~TfcCustomImageForm() override { delete FHook.data(); }

    // Places the component on the form that contains AParent, makes that
    // form borderless, and (once, outside design mode) hooks its events.
    void SetParent(QWidget* AParent);
    QWidget* ParentForm() const { return parentWidget() != nullptr ? parentWidget()->window() : nullptr; }

    int DragTolerance() const { return FDragTolerance; }
    void SetDragTolerance(int Value) { FDragTolerance = Value; }
    uint32_t TransparentColor() const { return FTransparentColor; }
    void SetTransparentColor(uint32_t Value) { FTransparentColor = Value; }
    QWidget* CaptionBarControl() const { return FCaptionBarControl; }
    void SetCaptionBarControl(QWidget* Value) { FCaptionBarControl = Value; }
    TfcImageFormOptions Options() const { return FOptions; }
    void SetOptions(TfcImageFormOptions Value) { FOptions = Value; }

    // Takes a copy of the picture and sizes the form's client area to it;
    // the outline is not rebuilt (ApplyBitmapRegion does that).
    void SetPicture(const TPicture& Value);
    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

    uint32_t GetTransparentColor() const;
    // Rebuilds the outline from the picture.
    virtual void ApplyBitmapRegion();
    // The form's window is going away: the outline and the hook with it.
    void DestroyWnd();
    virtual void AfterFormWndProc(TfcMessage& Message);

    // The stored outline ("RegionData"): read while the layout is loaded,
    // written when it is saved.
    void ReadRegions(ByteSource& Stream);
    void WriteRegions(ByteSink& Stream);

    const std::optional<Region>& HeldRegion() const { return FRegion; }
    bool RegionHandedToWindow() const { return FRegion.has_value() && FRegionHandedOver; }
    TfcCaptureMessageClass* Hook() const { return FHook; }

    // Drag loop.
    virtual void FormMouseDown(Qt::MouseButton Button, Qt::KeyboardModifiers Shift, int X, int Y);
    virtual bool GetDragFullWindows();
    virtual void MouseLoop(int X, int Y);
    virtual void MouseLoop_MouseMove(int X, int Y, QPoint CursorPos, bool& FirstMove, QRect& DragRect);
    virtual void MouseLoop_MouseUp(int X, int Y, QPoint CursorPos, const QRect& DragRect);
    virtual void DrawFocusRect(const QRect& Rect);

    bool Dragging() const { return FDragging; }
    bool FrameOnScreen() const { return FFrameOnScreen; }

    // The pointer, the events and the window moves the drag loop works
    // with; the real one by default, a fake in tests.
    void SetDragPlatform(std::unique_ptr<TfcDragPlatform> Platform) { FDragPlatform = std::move(Platform); }
    TfcDragPlatform& DragPlatform();

    // Handlers a form may give the image, as any control has.
    std::function<void(QObject* Sender)> OnClick;
    std::function<void(QObject* Sender)> OnDblClick;
    std::function<void(QObject* Sender, Qt::MouseButton, Qt::KeyboardModifiers, int, int)> OnMouseDown;
    std::function<void(QObject* Sender, Qt::MouseButton, Qt::KeyboardModifiers, int, int)> OnMouseUp;

protected:
    // Where the form is translucent (a window system that shapes windows by
    // their pixels' opacity, not by their mask), only the outline is
    // painted: every pixel outside it stays fully transparent.
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void SetHeldRegion(std::optional<Region> region);
    void HandRegionToWindow();
    void SetFormClientSize(int width, int height);
    QWidget* ControlAtPos(const QPoint& P) const;
    bool IsHandledControl(const QWidget* control) const;

    int FDragTolerance = 5;
    uint32_t FTransparentColor = clNone;
    std::optional<Region> FRegion;
    bool FRegionHandedOver = false;
    QPointer<QWidget> FCaptionBarControl;
    // Owned by the owner as well (Qt parent): whoever goes first frees it.
    QPointer<TfcCaptureMessageClass> FHook;
    QObject* FOwner = nullptr;
    TfcImageFormOptions FOptions;
    QRect FLastFocusRect;
    bool FDragging = false;
    bool FFrameOnScreen = false;
    bool FInMouseLoop = false;
    // A left press waits one turn of the event loop, so that the second
    // press of a double click (which Qt reports right after the press) can
    // withdraw it.
    uint64_t FPendingPress = 0;
    std::unique_ptr<TfcDragPlatform> FDragPlatform;
};
