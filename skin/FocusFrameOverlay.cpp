#include "skin/FocusFrameOverlay.h"

#include <QPaintEvent>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <functional>
#include <numeric>

#include "skin/Region.h"
#include "skin/RegionQt.h"

TfcFocusFrameOverlay::TfcFocusFrameOverlay()
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowTransparentForInput |
                           Qt::WindowDoesNotAcceptFocus | Qt::X11BypassWindowManagerHint | Qt::Tool)
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setWindowTitle(QStringLiteral("drag frame"));
}

void TfcFocusFrameOverlay::Invert(const QRect& rect)
{
    if (rect.isEmpty())
        return;
    if (const auto it = std::ranges::find(FOutlines, rect); it != FOutlines.end())
        FOutlines.erase(it);
    else
        FOutlines.push_back(rect);
    Reshape();
}

void TfcFocusFrameOverlay::Reshape()
{
    if (FOutlines.empty()) {
        hide();
        return;
    }
    const QRect bounds = std::accumulate(FOutlines.begin(), FOutlines.end(), QRect(), std::bit_or<>());
    // XOR of the outlines' dots over the bounding rectangle.
    QImage dots(bounds.size(), QImage::Format_Grayscale8);
    dots.fill(0);
    for (const QRect& r : FOutlines) {
        // The outline's pixels: the rectangle without its inside.
        for (const QRect& part : QRegion(r).subtracted(r.adjusted(1, 1, -1, -1)))
            for (int y = part.top(); y <= part.bottom(); ++y)
                for (int x = part.left(); x <= part.right(); ++x)
                    dots.scanLine(y - bounds.top())[x - bounds.left()] ^= IsDot(x, y) ? 1 : 0;
    }
    Region::Builder shape;
    std::vector<Region::Span> spans;
    for (int y = 0; y < dots.height(); ++y) {
        spans.clear();
        const uchar* line = dots.constScanLine(y);
        for (int x = 0; x < dots.width(); ++x)
            if (line[x] != 0)
                spans.push_back({x, x + 1});
        shape.AddBand(y, y + 1, spans);
    }
    const Region region = shape.Finish();
    setGeometry(bounds);
    if (region.IsEmpty()) {
        hide();
        return;
    }
    setMask(ToQRegion(region));
    update();
    show();
    raise();
}

void TfcFocusFrameOverlay::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    const QRect area = event->rect() & rect();
    const QPoint origin = geometry().topLeft();
    QImage colours(area.size(), QImage::Format_RGB32);
    for (int y = 0; y < area.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(colours.scanLine(y));
        for (int x = 0; x < area.width(); ++x)
            line[x] = DotColour(origin.x() + area.left() + x, origin.y() + area.top() + y);
    }
    painter.drawImage(area.topLeft(), colours);
}
