#include "skin/Picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

void TPicture::SetGraphic(TGraphicKind kind, const QImage& image)
{
    FKind = kind;
    FImage = kind == TGraphicKind::None ? QImage() : image;
    Changed();
}

bool TPicture::LoadFromData(const QByteArray& data)
{
    QBuffer source;
    source.setData(data);
    source.open(QIODevice::ReadOnly);
    // A stored bitmap is read by Qt's own reader alone: asked to find out
    // what a file holds, Qt loads (and keeps) every image format plugin,
    // even when told the format. Only other files need them.
    QImageReader reader(&source, data.startsWith("BM") ? QByteArray("bmp") : QByteArray());
    if (data.startsWith("BM"))
        reader.setAutoDetectImageFormat(false);
    QImage image;
    if (!reader.read(&image))
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
