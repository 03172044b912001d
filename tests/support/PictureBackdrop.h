#pragma once

#include <QImage>
#include <QPainter>
#include <QWidget>

// A window with a picture of detail painted over it, as the skin is, so that
// a character blended wrongly or at the wrong place over it shows. Counts
// the paints it is given.
class PictureBackdrop : public QWidget {
public:
    PictureBackdrop() : picture_(399, 201, QImage::Format_RGB32)
    {
        resize(picture_.size());
        for (int y = 0; y < picture_.height(); ++y)
            for (int x = 0; x < picture_.width(); ++x)
                picture_.setPixel(x, y, qRgb(20 + x / 3, 30 + (x + y) % 64, 120 - y / 2));
    }

    int paints = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        ++paints;
        QPainter painter(this);
        painter.drawImage(0, 0, picture_);
    }

private:
    QImage picture_;
};
