#include "Pixels.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace pixels {

bool aqua(QRgb c)
{
    return qRed(c) < 70 && qGreen(c) > 190 && qBlue(c) > 190 && std::abs(qGreen(c) - qBlue(c)) < 40;
}

bool red(QRgb c)
{
    return qRed(c) > 235 && qGreen(c) < 20 && qBlue(c) < 20;
}

bool white(QRgb c)
{
    return qRed(c) > 225 && qGreen(c) > 225 && qBlue(c) > 225;
}

bool black(QRgb c)
{
    return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60;
}

bool highlight(QRgb c)
{
    return qBlue(c) > 180 && qBlue(c) > qRed(c) + 100 && qBlue(c) > qGreen(c) + 30;
}

int count(const QImage& image, const QRect& area, const Class& cls)
{
    const QRect a = area.intersected(image.rect());
    int n = 0;
    for (int y = a.top(); y <= a.bottom(); ++y)
        for (int x = a.left(); x <= a.right(); ++x)
            n += cls(image.pixel(x, y)) ? 1 : 0;
    return n;
}

QRect inkBox(const QImage& image, const QRect& area, const Class& cls)
{
    const QRect a = area.intersected(image.rect());
    int left = a.right() + 1, right = a.left() - 1, top = a.bottom() + 1, bottom = a.top() - 1;
    for (int y = a.top(); y <= a.bottom(); ++y)
        for (int x = a.left(); x <= a.right(); ++x)
            if (cls(image.pixel(x, y))) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    if (right < left)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

bool sameArea(const QImage& a, const QImage& b, const QRect& area)
{
    return a.copy(area) == b.copy(area);
}

}  // namespace pixels

namespace pixels {

namespace {

// Text covers well under half of a button's face, so the median grey of the
// face area is the face's own.
Class darkerThanFace(const QImage& window, const QRect& face)
{
    std::vector<int> greys;
    const QRect a = face.intersected(window.rect());
    for (int y = a.top(); y <= a.bottom(); ++y)
        for (int x = a.left(); x <= a.right(); ++x)
            greys.push_back(qGray(window.pixel(x, y)));
    if (greys.empty())
        return [](QRgb) { return false; };
    std::nth_element(greys.begin(), greys.begin() + greys.size() / 2, greys.end());
    const int limit = std::min(greys[greys.size() / 2] - 35, 60);
    return [limit](QRgb c) { return qGray(c) < limit; };
}

QRect faceOf(const QRect& control)
{
    return control.adjusted(3, 3, -3, -3);
}

}  // namespace

QRect captionInk(const QImage& window, const QRect& control)
{
    const QRect face = faceOf(control);
    return inkBox(window, face, darkerThanFace(window, face));
}

int captionInkCount(const QImage& window, const QRect& control)
{
    const QRect face = faceOf(control);
    return count(window, face, darkerThanFace(window, face));
}

}  // namespace pixels
