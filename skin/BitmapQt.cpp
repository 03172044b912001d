#include "skin/BitmapQt.h"

#include <QImage>
#include <cstring>

#include "skin/Bitmap.h"

namespace {

QRgb ToQRgb(uint32_t bgr)
{
    return qRgb(static_cast<int>(bgr & 0xFF), static_cast<int>(bgr >> 8 & 0xFF), static_cast<int>(bgr >> 16 & 0xFF));
}

uint32_t FromQRgb(QRgb c)
{
    return static_cast<uint32_t>(qRed(c)) | static_cast<uint32_t>(qGreen(c)) << 8 |
           static_cast<uint32_t>(qBlue(c)) << 16;
}

}  // namespace

QImage ToQImage(const Bitmap& bitmap)
{
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_RGB32);
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int32_t x = 0; x < bitmap.Width(); ++x)
            line[x] = ToQRgb(bitmap.ColorAt(x, y));
    }
    return image;
}

std::optional<Bitmap> FromQImage(const QImage& source)
{
    if (source.isNull() || source.width() > Bitmap::kMaxDimension || source.height() > Bitmap::kMaxDimension)
        return std::nullopt;
    const int32_t w = source.width();
    const int32_t h = source.height();

    if (source.format() == QImage::Format_Indexed8 || source.format() == QImage::Format_Mono ||
        source.format() == QImage::Format_MonoLSB) {
        const QImage image =
            source.format() == QImage::Format_MonoLSB ? source.convertToFormat(QImage::Format_Mono) : source;
        const int bits = image.format() == QImage::Format_Indexed8 ? 8 : 1;
        Bitmap bitmap(w, h, bits);
        std::vector<uint32_t> table;
        const auto colors = image.colorTable();
        for (int i = 0; i < colors.size() && i < (1 << bits); ++i)
            table.push_back(FromQRgb(colors[i]));
        bitmap.SetColorTable(std::move(table));
        const size_t rowBytes = Bitmap::StrideFor(w, bits) < static_cast<size_t>(image.bytesPerLine())
                                    ? Bitmap::StrideFor(w, bits)
                                    : static_cast<size_t>(image.bytesPerLine());
        for (int32_t y = 0; y < h; ++y)
            std::memcpy(bitmap.Row(y), image.constScanLine(y), rowBytes);
        return bitmap;
    }

    if (source.format() == QImage::Format_RGB888 || source.format() == QImage::Format_BGR888) {
        Bitmap bitmap(w, h, 24);
        const QImage image = source.convertToFormat(QImage::Format_RGB888);
        for (int32_t y = 0; y < h; ++y) {
            const uchar* in = image.constScanLine(y);
            uint8_t* out = bitmap.Row(y);
            for (int32_t x = 0; x < w; ++x) {
                out[3 * x] = in[3 * x + 2];
                out[3 * x + 1] = in[3 * x + 1];
                out[3 * x + 2] = in[3 * x];
            }
        }
        return bitmap;
    }

    Bitmap bitmap(w, h, 32);
    const QImage image = source.convertToFormat(QImage::Format_RGB32);
    for (int32_t y = 0; y < h; ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int32_t x = 0; x < w; ++x)
            bitmap.SetPixelValue(x, y, in[x] & 0xFFFFFFu);
    }
    return bitmap;
}
