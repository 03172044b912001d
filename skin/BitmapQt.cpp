#include "skin/BitmapQt.h"

#include <QImage>
#include <algorithm>
#include <cstring>

#include "skin/Bitmap.h"
#include "skin/SystemColor.h"

QImage ToQImage(const Bitmap& bitmap)
{
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int32_t x = 0; x < bitmap.Width(); ++x) {
            const uint32_t c = bitmap.ColorAt(x, y);
            line[x] = qRgb(c & 0xFF, c >> 8 & 0xFF, c >> 16 & 0xFF);
        }
    }
    return image;
}

std::optional<Bitmap> FromQImage(const QImage& source)
{
    if (source.isNull() || source.width() > Bitmap::kMaxDimension || source.height() > Bitmap::kMaxDimension)
        return std::nullopt;
    const QImage::Format format = source.format();
    const bool indexed =
        format == QImage::Format_Indexed8 || format == QImage::Format_Mono || format == QImage::Format_MonoLSB;
    const bool bytes24 = format == QImage::Format_RGB888 || format == QImage::Format_BGR888;
    const int bits = format == QImage::Format_Indexed8 ? 8 : indexed ? 1 : bytes24 ? 24 : 32;
    // Stored 24-bit pixels are blue, green, red bytes, as BGR888 holds them.
    const QImage image = source.convertToFormat(bits == 8    ? QImage::Format_Indexed8
                                                : bits == 1  ? QImage::Format_Mono
                                                : bits == 24 ? QImage::Format_BGR888
                                                             : QImage::Format_RGB32);
    Bitmap bitmap(image.width(), image.height(), bits);
    if (indexed) {
        std::vector<uint32_t> table;
        for (const QRgb c : image.colorTable().mid(0, 1 << bits))
            table.push_back(RgbColor(qRed(c), qGreen(c), qBlue(c)));
        bitmap.SetColorTable(std::move(table));
    }
    // Indexed rows are copied with their padding; 24-bit ones only up to the
    // last pixel, so the padding stays zero.
    const size_t rowBytes = bits == 24 ? 3 * static_cast<size_t>(image.width())
                                       : std::min(bitmap.Stride(), static_cast<size_t>(image.bytesPerLine()));
    for (int32_t y = 0; y < image.height(); ++y) {
        if (bits != 32) {
            std::memcpy(bitmap.Row(y), image.constScanLine(y), rowBytes);
            continue;
        }
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int32_t x = 0; x < image.width(); ++x)
            bitmap.SetPixelValue(x, y, in[x] & 0xFFFFFFu);
    }
    return bitmap;
}
