// Draws the main window offscreen as the program's own widgets paint it for
// given clock texts, one picture each, for the end-to-end tests to compare
// the screen with. The window is made as the program makes it, in the
// environment it is given (scale factor, fonts), with the state directory
// of ZUM_SYSTEM_DIR (an empty one: no alarm, no tray icon).
//
//   zum_clock_reference OUTDIR TEXT...   writes OUTDIR/0.png, 1.png, ...
//
// Pixels outside the window's outline are fully transparent: the screen
// shows whatever lies behind the window there.
#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QString>

#include <cstdio>

#include "app/Application.h"
#include "app/ClockLabel.h"
#include "app/Form1.h"

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTDIR TEXT...\n", argv[0]);
        return 2;
    }
    int qtArgc = 1;
    TApplication application(qtArgc, argv);
    TForm1 form;
    const QRegion outline = form.mask().isEmpty() ? QRegion(form.rect()) : form.mask();
    for (int i = 2; i < argc; ++i) {
        form.Label1->SetTimeText(QString::fromLocal8Bit(argv[i]));
        QImage picture = form.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        const qreal ratio = picture.devicePixelRatio();
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (!outline.contains(QPoint(static_cast<int>(x / ratio), static_cast<int>(y / ratio))))
                    picture.setPixel(x, y, qRgba(0, 0, 0, 0));
        const QString path = QString::fromLocal8Bit(argv[1]) + QLatin1Char('/') + QString::number(i - 2) + ".png";
        if (!picture.save(path)) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
    }
    return 0;
}
