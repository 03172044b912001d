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
    if (!image.loadFromData(data))
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
