#include "app/ImageForm.h"

#include <QPainter>

TfcImageForm::TfcImageForm(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TfcImageForm::SetPicture(const QImage& picture)
{
    // Palette pictures are converted once here rather than on every paint.
    FPicture = picture.convertToFormat(QImage::Format_RGB32);
    update();
}

void TfcImageForm::paintEvent(QPaintEvent*)
{
    if (FPicture.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, FPicture);
}
