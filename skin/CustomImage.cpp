#include "skin/CustomImage.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPen>
#include <QScopedValueRollback>

TfcCustomImage::TfcCustomImage(QWidget* AOwner) : QWidget(AOwner)
{
    resize(105, 105);
    FPicture.OnChange = [this] { PictureChanged(); };
}

void TfcCustomImage::SetAutoSize(bool Value)
{
    FAutoSize = Value;
    PictureChanged();
}

void TfcCustomImage::SetAlign(TAlign Value)
{
    FAlign = Value;
    FollowParent();
}

void TfcCustomImage::FollowParent()
{
    QWidget* parent = parentWidget();
    if (FFollowed != parent && FFollowed != nullptr)
        FFollowed->removeEventFilter(this);
    FFollowed = parent;
    // Installing again puts this filter first, ahead of filters that take
    // the parent's events for themselves (an event hook).
    if (parent != nullptr)
        parent->installEventFilter(this);
    if (FAlign == TAlign::alClient && parent != nullptr)
        setGeometry(parent->rect());
}

bool TfcCustomImage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == FFollowed && event->type() == QEvent::Resize && FAlign == TAlign::alClient)
        setGeometry(static_cast<QWidget*>(watched)->rect());
    return QWidget::eventFilter(watched, event);
}

void TfcCustomImage::PictureChanged()
{
    if (FAutoSize && FPicture.Width() > 0 && FPicture.Height() > 0)
        SetBounds(x(), y(), FPicture.Width(), FPicture.Height());
    Recompose();
    if (!FPainting)
        update();
}

void TfcCustomImage::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    // The composed background holds only the part the control shows.
    Recompose();
}

void TfcCustomImage::Recompose()
{
    FComposed = QPixmap();
    FComposed32 = QImage();
    FOpaque = FPicture.HasGraphic() && !FPicture.Transparent() && FPicture.Width() >= width() &&
              FPicture.Height() >= height();
    // Qt then paints nothing of the parent below the control.
    setAttribute(Qt::WA_OpaquePaintEvent, FOpaque);
}

void TfcCustomImage::Compose(int depth)
{
    // Composed once per picture and size: a repaint only draws from it.
    if (depth <= 8 ? !FComposed32.isNull() : !FComposed.isNull())
        return;
    // Only the part of the picture inside the control can ever show.
    const QRect shown = FPicture.Image().rect() & rect();
    const QImage part = shown == FPicture.Image().rect() ? FPicture.Image() : FPicture.Image().copy(shown);
    if (depth <= 8)
        FComposed32 = part.convertToFormat(FPicture.Transparent() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    else
        FComposed = QPixmap::fromImage(part);
}

void TfcCustomImage::Paint(QPainter& painter, int depth, const QRect& dirty)
{
    if (FDesignMode) {
        painter.save();
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(0, 0, width() - 1, height() - 1);
        painter.restore();
    }
    const QScopedValueRollback<bool> painting(FPainting, true);

    if (!FPicture.HasGraphic()) {
        QImage blank(qMax(width(), 1), qMax(height(), 1), QImage::Format_RGB32);
        blank.fill(Qt::white);
        FPicture.SetBitmap(blank);
    } else if (FPicture.Kind() != TGraphicKind::Bitmap) {
        throw EInvalidGraphicOperation("Can only modify an image if it contains a bitmap");
    }
    Compose(depth);
    // Both paths draw the picture unscaled with its top-left at (0, 0).
    const QRect area = dirty & rect();
    if (depth <= 8)
        painter.drawImage(area.topLeft(), FComposed32, area);
    else
        painter.drawPixmap(area.topLeft(), FComposed, area);
}

void TfcCustomImage::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    Paint(painter, depth(), event->rect());
}
