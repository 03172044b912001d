#include "skin/CustomImageForm.h"

#include <QAbstractButton>
#include <QEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>

#include "skin/Bitmap.h"
#include "skin/BitmapQt.h"
#include "skin/DragPlatformQt.h"
#include "skin/RegionData.h"
#include "skin/RegionFromBitmap.h"
#include "skin/RegionQt.h"
#include "skin/SystemColorQt.h"

TfcCustomImageForm::TfcCustomImageForm(QWidget* AOwner) : TfcCustomImage(AOwner), FOwner(AOwner)
{
    SetAlign(TAlign::alClient);
}

void TfcCustomImageForm::SetParent(QWidget* AParent)
{
    // The image form always lies directly on a form.
    if (AParent != nullptr && !AParent->isWindow())
        AParent = AParent->window();
    const bool visible = !isHidden();
    if (parentWidget() != AParent)
        setParent(AParent);
    if (AParent == nullptr)
        return;
    // Qt already paints children over their parent: nothing to clip.
    if (!(AParent->windowFlags() & Qt::FramelessWindowHint))
        AParent->setWindowFlag(Qt::FramelessWindowHint, true);
    // A Wayland compositor ignores a window's mask for its look and shapes
    // it by the opacity of its pixels instead; the mask still limits input.
    if (!DesignMode() && QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        AParent->setAttribute(Qt::WA_TranslucentBackground, true);
    if (FHook == nullptr && !DesignMode()) {
        FHook = new TfcCaptureMessageClass(FOwner);
        FHook->SetWndHandle(AParent);
        FHook->SetEnabled(true);
        FHook->OnAfterWndProc = [this](TfcMessage& Message) { AfterFormWndProc(Message); };
    }
    // Installed after the hook, so that it sees the form's resizes first.
    FollowParent();
    if (visible)
        show();
}

void TfcCustomImageForm::paintEvent(QPaintEvent* event)
{
    QWidget* form = ParentForm();
    if (form == nullptr || !form->testAttribute(Qt::WA_TranslucentBackground) || !RegionHandedToWindow()) {
        TfcCustomImage::paintEvent(event);
        return;
    }
    // The outline is in the form's coordinates; the image form lies on it.
    QPainter painter(this);
    const QRegion outline = ToQRegion(*FRegion).translated(-pos());
    painter.setClipRegion(outline);
    Paint(painter, depth(), (outline & event->region()).boundingRect());
}

void TfcCustomImageForm::SetFormClientSize(int width, int height)
{
    QWidget* form = ParentForm();
    if (form == nullptr)
        return;
    // A picture larger than the screen would make a window that cannot be
    // used or even backed by memory: the form stops at the screen's size.
    QSize size(width, height);
    if (QScreen* screen = form->screen())
        size = size.boundedTo(screen->availableGeometry().size());
    if (form->minimumSize() == form->maximumSize())
        form->setFixedSize(size);
    else
        form->resize(size);
    // A hidden form reports its resize only when shown.
    FollowParent();
}

void TfcCustomImageForm::SetPicture(const TPicture& Value)
{
    Picture().Assign(Value);
    if (Value.Width() > 0 && Value.Height() > 0)
        SetFormClientSize(Value.Width(), Value.Height());
    update();
}

void TfcCustomImageForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight)
{
    TfcCustomImage::SetBounds(ALeft, ATop, AWidth, AHeight);
    if (AutoSize())
        SetFormClientSize(AWidth, AHeight);
}

uint32_t TfcCustomImageForm::GetTransparentColor() const
{
    if (FTransparentColor != clNone)
        return FTransparentColor;
    const QImage& image = Picture().Image();
    if (Picture().Kind() != TGraphicKind::Bitmap || image.isNull())
        return clNone;  // no bottom-left pixel: nothing is cut out
    const QRgb c = image.pixel(0, image.height() - 1);
    return RgbColor(qRed(c), qGreen(c), qBlue(c));
}

void TfcCustomImageForm::SetHeldRegion(std::optional<Region> region)
{
    // Dropping a region the window holds only forgets the record.
    FRegion = std::move(region);
    FRegionHandedOver = false;
}

void TfcCustomImageForm::HandRegionToWindow()
{
    QWidget* form = ParentForm();
    if (DesignMode() || form == nullptr)
        return;
    const std::optional<QRegion> mask = FRegion && !FRegion->IsEmpty() ? ToQRegionChecked(*FRegion) : std::nullopt;
    if (!mask) {
        // No outline, or one the window system cannot take, leaves the form
        // a rectangle; an empty one would hide it altogether.
        SetHeldRegion(std::nullopt);
        form->clearMask();
        return;
    }
    form->setMask(*mask);
    FRegionHandedOver = true;
}

void TfcCustomImageForm::ApplyBitmapRegion()
{
    std::optional<Bitmap> bitmap;
    if (Picture().Kind() == TGraphicKind::Bitmap && !Picture().Image().isNull()) {
        QImage image = Picture().Image();
        // Running, only the part inside the window can have an outline;
        // a huge picture is not scanned beyond it.
        if (QWidget* form = ParentForm(); !DesignMode() && form != nullptr && !form->rect().contains(image.rect()))
            image = image.copy(image.rect() & form->rect());
        bitmap = FromQImage(image);
    }
    SetHeldRegion(bitmap ? fcCreateRegionFromBitmap(*bitmap, GetTransparentColor(), PaletteSystemColor) : std::nullopt);
    HandRegionToWindow();
}

void TfcCustomImageForm::DestroyWnd()
{
    if (QWidget* form = ParentForm(); form != nullptr && RegionHandedToWindow())
        form->clearMask();
    SetHeldRegion(std::nullopt);
    // The window took the hook with it: a window made again gets none.
    if (FHook != nullptr)
        FHook->EndSubClass();
}

void TfcCustomImageForm::ReadRegions(ByteSource& Stream)
{
    const RegionReadResult stored = ::ReadRegions(Stream);
    if (stored.status == RegionReadResult::Status::NotStored) {
        SetHeldRegion(std::nullopt);
        ApplyBitmapRegion();
        return;
    }
    // A block that builds no outline leaves the form rectangular.
    const bool loaded = stored.status == RegionReadResult::Status::Loaded && !stored.region.IsEmpty();
    SetHeldRegion(loaded ? std::optional(stored.region) : std::nullopt);
    HandRegionToWindow();
}

void TfcCustomImageForm::WriteRegions(ByteSink& Stream)
{
    ApplyBitmapRegion();
    ::WriteRegions(Stream, FRegion);
}

QWidget* TfcCustomImageForm::ControlAtPos(const QPoint& P) const
{
    QWidget* form = ParentForm();
    if (form == nullptr)
        return nullptr;
    const QObjectList& children = form->children();  // topmost last
    for (auto it = children.crbegin(); it != children.crend(); ++it) {
        auto* control = qobject_cast<QWidget*>(*it);
        // Disabled controls count; windows and controls with a native
        // window of their own take their presses themselves.
        if (control == nullptr || control->isWindow() || !control->isVisibleTo(form) ||
            control->testAttribute(Qt::WA_NativeWindow) || control->testAttribute(Qt::WA_TransparentForMouseEvents))
            continue;
        if (control->geometry().contains(P))
            return control;
    }
    return nullptr;
}

bool TfcCustomImageForm::IsHandledControl(const QWidget* control) const
{
    if (const auto* image = qobject_cast<const TfcCustomImageForm*>(control))
        return image->OnClick != nullptr || image->OnMouseDown != nullptr;
    // A button exists to be clicked.
    return qobject_cast<const QAbstractButton*>(control) != nullptr;
}

void TfcCustomImageForm::AfterFormWndProc(TfcMessage& Message)
{
    if (DesignMode())
        return;
    const QEvent::Type type = Message.Event->type();
    if (type == QEvent::WinIdChange) {
        // The form's native window is destroyed (its id becomes 0).
        if (QWidget* form = ParentForm(); form != nullptr && form->internalWinId() == 0)
            DestroyWnd();
        return;
    }
    if (type == QEvent::MouseButtonDblClick) {
        // The second press of a double click starts nothing.
        if (FPendingPress != 0)
            DragPlatform().EndHold();
        FPendingPress = 0;
        return;
    }
    if (type != QEvent::MouseButtonPress)
        return;
    const auto* press = static_cast<QMouseEvent*>(Message.Event);
    if (press->button() != Qt::LeftButton || FInMouseLoop)
        return;
    const QPoint P = press->position().toPoint();
    QWidget* control = ControlAtPos(P);
    const bool start = control != nullptr &&
                       (FCaptionBarControl != nullptr ? (!IsHandledControl(control) || control == FCaptionBarControl)
                                                      : control == this);
    if (!start)
        return;
    const Qt::KeyboardModifiers shift = press->modifiers();
    const uint64_t id = ++FPendingPress == 0 ? ++FPendingPress : FPendingPress;
    // The loop starts once the press has been handled; the pointer events
    // that come in that while are its own, handled from the press position.
    DragPlatform().HoldPointer(press->globalPosition().toPoint());
    QMetaObject::invokeMethod(
        this,
        [this, id, P, shift] {
            // A later press holds the pointer for itself.
            if (FPendingPress != id)
                return;
            FPendingPress = 0;
            // A release that came meanwhile ended the press already.
            if (DragPlatform().LeftButtonDown())
                FormMouseDown(Qt::LeftButton, shift, P.x(), P.y());
            // A press that started no loop (outside the caption bar, or
            // released already) lets the pointer go again.
            DragPlatform().EndHold();
        },
        Qt::QueuedConnection);
}

TfcDragPlatform& TfcCustomImageForm::DragPlatform()
{
    if (!FDragPlatform)
        FDragPlatform = std::make_unique<TfcQtDragPlatform>(ParentForm());
    return *FDragPlatform;
}

void TfcCustomImageForm::mousePressEvent(QMouseEvent* event)
{
    if (OnMouseDown)
        OnMouseDown(this, event->button(), event->modifiers(), event->position().toPoint().x(),
                    event->position().toPoint().y());
    // The form decides about the drag: the press goes on to it.
    event->ignore();
}

void TfcCustomImageForm::mouseReleaseEvent(QMouseEvent* event)
{
    if (OnMouseUp)
        OnMouseUp(this, event->button(), event->modifiers(), event->position().toPoint().x(),
                  event->position().toPoint().y());
    if (OnClick && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        OnClick(this);
    event->ignore();
}

void TfcCustomImageForm::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (OnDblClick && event->button() == Qt::LeftButton)
        OnDblClick(this);
    event->ignore();
}
