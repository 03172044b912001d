#pragma once

#include <QImage>

#include <functional>

class QByteArray;

// What a picture holds. Only bitmaps can be painted by the image control
// and scanned for an outline; the other kinds exist so that a picture that
// holds something else is told apart from an empty one.
enum class TGraphicKind { None, Bitmap, Icon, Metafile };

// A container for one graphic. Every change of the graphic, its kind or its
// transparency calls OnChange.
class TPicture {
public:
    TGraphicKind Kind() const { return FKind; }
    bool HasGraphic() const { return FKind != TGraphicKind::None; }
    // The graphic's pixels in the format they were loaded in (8-bit pictures
    // stay 8-bit); the null image when there is no graphic.
    const QImage& Image() const { return FImage; }
    int Width() const { return FImage.width(); }
    int Height() const { return FImage.height(); }

    void SetBitmap(const QImage& image) { SetGraphic(TGraphicKind::Bitmap, image); }
    void SetGraphic(TGraphicKind kind, const QImage& image);
    void Assign(const TPicture& other) { SetGraphic(other.FKind, other.FImage); }
    // A picture file (any format Qt reads) becomes the bitmap; false, with
    // the picture unchanged, when it cannot be read.
    bool LoadFromData(const QByteArray& data);

    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool value);

    std::function<void()> OnChange;

private:
    void Changed()
    {
        if (OnChange)
            OnChange();
    }

    TGraphicKind FKind = TGraphicKind::None;
    QImage FImage;
    bool FTransparent = false;
};
