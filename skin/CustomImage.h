#pragma once

#include <QImage>
#include <QPixmap>
#include <QWidget>

#include "common/Exception.h"
#include "skin/Picture.h"

class QPainter;

// Raised when a picture that holds something other than a bitmap is painted.
class EInvalidGraphicOperation : public Exception {
public:
    using Exception::Exception;
};

enum class TAlign { alNone, alClient };

// A control that paints a picture at its own size from its top-left corner.
//
// The picture is converted for the screen once per change (and per size of
// the control): a paint copies only the asked-for part of that ready
// background, so a label redrawn above it costs no decoding or conversion.
// The control is opaque (Qt paints nothing below it) exactly when the
// picture is not transparent and covers the whole control.
class TfcCustomImage : public QWidget {
    Q_OBJECT
public:
    explicit TfcCustomImage(QWidget* AOwner);

    TPicture& Picture() { return FPicture; }
    const TPicture& Picture() const { return FPicture; }
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool Transparent() const { return FPicture.Transparent(); }
    // The picture reports the change, which runs PictureChanged.
    void SetTransparent(bool Value) { FPicture.SetTransparent(Value); }
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign Value);

    // Edited in a layout designer rather than running in a program.
    bool DesignMode() const { return FDesignMode; }
    void SetDesignMode(bool Value) { FDesignMode = Value; }

    // Paints the control onto a device of the given colour depth; `dirty`
    // is the part that needs it, in control coordinates.
    void Paint(QPainter& painter, int depth, const QRect& dirty);

    // Whether the control covers its whole area when it paints.
    bool Opaque() const { return FOpaque; }
    // The converted picture that paints draw from; null until the first
    // paint after a change.
    const QPixmap& ComposedBackground() const { return FComposed; }

    virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) { setGeometry(ALeft, ATop, AWidth, AHeight); }

protected:
    virtual void PictureChanged();
    // Keeps an aligned control filling its parent.
    void FollowParent();

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Compose(int depth);
    // Drops the composed background and works out again whether the
    // control is opaque.
    void Recompose();

    TPicture FPicture;
    bool FAutoSize = false;
    bool FPainting = false;
    bool FDesignMode = false;
    bool FOpaque = false;
    TAlign FAlign = TAlign::alNone;
    QPixmap FComposed;   // for deep displays
    QImage FComposed32;  // 32-bit copy for palette displays
    QObject* FFollowed = nullptr;
};
