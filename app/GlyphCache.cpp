#include "app/GlyphCache.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QString>

#include <array>
#include <cmath>

namespace {

// Whole pixels and 64ths of a position given in 64ths, rounding down also
// for a position left of the origin.
std::int64_t FloorPixels(std::int64_t value64)
{
    return value64 >= 0 ? value64 / 64 : -((-value64 + 63) / 64);
}

std::int64_t To64(qreal pixels)
{
    return std::llround(pixels * 64.0);
}

// The smallest rectangle holding every pixel with any coverage.
QRect InkBounds(const QImage& image)
{
    int left = image.width(), right = -1, top = image.height(), bottom = -1;
    for (int y = 0; y < image.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(row[x]) == 0)
                continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    return right < 0 ? QRect() : QRect(QPoint(left, top), QPoint(right, bottom));
}

}  // namespace

GlyphCache::GlyphCache(const QFont& font, const QColor& colour, qreal baselineY)
    : FFont(font), FColour(colour), FBaselineRow(static_cast<int>(std::floor(baselineY))),
      FBaselineFraction(baselineY - std::floor(baselineY))
{
}

namespace {

bool SimpleByProperties(QChar c)
{
    if (c.isSurrogate() || c.isMark() || !c.isPrint() || c.category() == QChar::Other_Format)
        return false;
    switch (c.direction()) {
    case QChar::DirL:
    case QChar::DirEN:
    case QChar::DirES:
    case QChar::DirET:
    case QChar::DirCS:
    case QChar::DirWS:
    case QChar::DirON:
        break;
    default:
        return false;
    }
    // Scripts whose letters stand alone: no joining, no reordering, no
    // conjuncts.
    switch (c.script()) {
    case QChar::Script_Common:
    case QChar::Script_Latin:
    case QChar::Script_Greek:
    case QChar::Script_Cyrillic:
    case QChar::Script_Armenian:
    case QChar::Script_Georgian:
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
    case QChar::Script_Hangul:
    case QChar::Script_Bopomofo:
        return true;
    default:
        return false;
    }
}

}  // namespace

bool GlyphCache::IsSimple(QChar c)
{
    // The characters of nearly every clock text, looked up once: the
    // character properties cost a few hundred instructions each.
    static const std::array<bool, 128> ascii = [] {
        std::array<bool, 128> simple{};
        for (char16_t u = 0; u < simple.size(); ++u)
            simple[u] = SimpleByProperties(QChar(u));
        return simple;
    }();
    return c.unicode() < ascii.size() ? ascii[c.unicode()] : SimpleByProperties(c);
}

std::int64_t GlyphCache::Advance64(QChar c)
{
    const auto found = FAdvances.constFind(c.unicode());
    if (found != FAdvances.constEnd())
        return *found;
    const std::int64_t advance = To64(QFontMetricsF(FFont).horizontalAdvance(QString(c)));
    FAdvances.insert(c.unicode(), advance);
    return advance;
}

std::int64_t GlyphCache::Kern64(QChar left, QChar right)
{
    const std::uint32_t key = std::uint32_t{left.unicode()} << 16 | right.unicode();
    const auto found = FKerning.constFind(key);
    if (found != FKerning.constEnd())
        return *found;
    const QChar pair[2] = {left, right};
    const std::int64_t kern =
        To64(QFontMetricsF(FFont).horizontalAdvance(QString(pair, 2))) - Advance64(left) - Advance64(right);
    FKerning.insert(key, kern);
    return kern;
}

GlyphCache::Drawn GlyphCache::Draw(QChar c, int fraction64) const
{
    // Drawn with the pen at the same fractions of a pixel, across and down,
    // as in the line, into a box with room all round the character's ink.
    const QFontMetricsF metrics(FFont);
    const QString text(c);
    const QRectF bounds = metrics.boundingRect(text);
    Drawn drawn;
    drawn.padLeft = 4 + static_cast<int>(std::ceil(std::max<qreal>(0, -bounds.left())));
    drawn.padTop = 4 + static_cast<int>(std::ceil(std::max(metrics.ascent(), -bounds.top())));
    const int width =
        drawn.padLeft + static_cast<int>(std::ceil(std::max(bounds.right(), metrics.horizontalAdvance(text)))) + 5;
    const int height = drawn.padTop + static_cast<int>(std::ceil(std::max(metrics.descent(), bounds.bottom()))) + 5;
    drawn.image = QImage(width, height, QImage::Format_ARGB32_Premultiplied);
    drawn.image.fill(Qt::transparent);
    QPainter painter(&drawn.image);
    painter.setFont(FFont);
    painter.setPen(FColour);
    painter.drawText(QPointF(drawn.padLeft + fraction64 / 64.0, drawn.padTop + FBaselineFraction), text);
    return drawn;
}

int GlyphCache::FractionGroup(int fraction64)
{
    if (!FGroupsKnown) {
        // The framework draws a glyph at one of a few places within a pixel
        // (or at whole pixels only), depending on the font engine. Which
        // 64ths share a place is found once by drawing a few characters of
        // the font at each: a 64th starts a new group where any of them
        // comes out differently from the 64th before.
        const QString probes = QStringLiteral("08M");
        std::array<QImage, 3> previous;
        int start = 0;
        for (int f = 0; f < 64; ++f) {
            bool differs = false;
            for (qsizetype p = 0; p < probes.size(); ++p) {
                QImage image = Draw(probes[p], f).image;
                differs = differs || (f > 0 && image != previous[static_cast<std::size_t>(p)]);
                previous[static_cast<std::size_t>(p)] = std::move(image);
            }
            if (differs)
                start = f;
            FFractionGroup[static_cast<std::size_t>(f)] = static_cast<std::uint8_t>(start);
        }
        FGroupsKnown = true;
    }
    return FFractionGroup[static_cast<std::size_t>(fraction64)];
}

const GlyphCache::Placed& GlyphCache::ImageOf(QChar c, int fraction64)
{
    const int group = FractionGroup(fraction64);
    const std::uint32_t key = std::uint32_t{c.unicode()} << 8 | static_cast<std::uint32_t>(group);
    const auto found = FImages.constFind(key);
    if (found != FImages.constEnd())
        return *found;

    const Drawn drawn = Draw(c, group);
    Placed placed;
    const QRect ink = InkBounds(drawn.image);
    if (!ink.isNull()) {
        placed.image = drawn.image.copy(ink);
        placed.at = QPoint(ink.left() - drawn.padLeft, ink.top() - drawn.padTop);
        // Places within a pixel that come out alike (the last is often the
        // first a pixel further on) share one image.
        for (std::uint32_t other = 0; other < FFractionGroup.size(); ++other) {
            const auto same = FImages.constFind(std::uint32_t{c.unicode()} << 8 | other);
            if (same != FImages.constEnd() && same->image == placed.image) {
                placed.image = same->image;
                break;
            }
        }
    }
    return *FImages.insert(key, placed);
}

void GlyphCache::Prepare(const QString& characters)
{
    QString simple;
    for (const QChar c : characters)
        if (IsSimple(c) && !simple.contains(c))
            simple.append(c);
    FractionGroup(0);
    for (const QChar c : simple) {
        for (std::size_t f = 0; f < FFractionGroup.size(); ++f)
            if (FFractionGroup[f] == f)
                ImageOf(c, static_cast<int>(f));
        for (const QChar next : simple)
            Kern64(c, next);
    }
}

std::optional<GlyphCache::Line> GlyphCache::Lay(const QString& text, int originX)
{
    // A trailing space is outside the framework's measure of a line.
    if (!text.isEmpty() && text.back().isSpace())
        return std::nullopt;
    const auto count = static_cast<std::size_t>(text.size());
    std::size_t kept = 0;
    if (originX == FLastOrigin)
        while (kept < count && kept < FLastGlyphs.size() && text[static_cast<qsizetype>(kept)] == FLastText[static_cast<qsizetype>(kept)])
            ++kept;
    Line line;
    line.glyphs.reserve(count);
    line.glyphs.assign(FLastGlyphs.begin(), FLastGlyphs.begin() + static_cast<std::ptrdiff_t>(kept));
    FLastPens.resize(kept);
    std::int64_t pen64 = kept > 0 ? FLastPens.back() : 0;
    for (std::size_t i = kept; i < count; ++i) {
        const QChar c = text[static_cast<qsizetype>(i)];
        if (!IsSimple(c)) {
            FLastText.clear();
            FLastPens.clear();
            FLastGlyphs.clear();
            return std::nullopt;
        }
        if (i > 0) {
            const QChar before = text[static_cast<qsizetype>(i) - 1];
            pen64 += Advance64(before) + Kern64(before, c);
        }
        const std::int64_t whole = FloorPixels(pen64);
        Placed placed = ImageOf(c, static_cast<int>(pen64 - whole * 64));
        placed.at += QPoint(originX + static_cast<int>(whole), FBaselineRow);
        line.glyphs.push_back(std::move(placed));
        FLastPens.push_back(pen64);
    }
    line.width64 = text.isEmpty() ? 0 : pen64 + Advance64(text.back());
    FLastText = text;
    FLastOrigin = originX;
    FLastGlyphs = line.glyphs;
    return line;
}
