#include "skin/Picture.h"

#include <QByteArray>

void TPicture::SetGraphic(TGraphicKind kind, const QImage& image)
{
    FKind = kind;
    FImage = kind == TGraphicKind::None ? QImage() : image;
    Changed();
}

bool TPicture::LoadFromData(const QByteArray& data)
{
    QImage image;
    // A stored bitmap is read by Qt's own reader; only other files make Qt
    // load (and keep) its image format plugins to find out what they are.
    const char* format = data.startsWith("BM") ? "BMP" : nullptr;
    if (!image.loadFromData(data, format))
        return false;
    SetBitmap(image);
    return true;
}

void TPicture::SetTransparent(bool value)
{
    if (value == FTransparent)
        return;
    FTransparent = value;
    Changed();
}
