#pragma once

#include <QColor>
#include <QFont>
#include <QHash>
#include <QImage>
#include <QPoint>
#include <QRect>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class QString;

// Images of the single characters of one font and colour, each drawn once
// at the sub-pixel place it takes in a line, with the advances and pair
// kerning that place them. A line of simple characters laid out from these
// is the framework's own layout of that line, at a small part of its cost:
// a clock that shows a new second lays out and draws again only what the
// framework would, without shaping the whole text.
//
// Positions are kept in 64ths of a pixel, the framework's own fixed-point
// unit for text, so that sums of advances are exact.
class GlyphCache {
public:
    struct Placed {
        QPoint at;     // where the image's top-left goes, in the label's coordinates
        QImage image;  // premultiplied; null for a character without ink (a space)
        QRect Ink() const { return QRect(at, image.size()); }
    };
    struct Line {
        std::vector<Placed> glyphs;  // one for each character of the text, in order
        std::int64_t width64 = 0;  // the line's advance, in 64ths of a pixel
    };

    // baselineY is where the line's baseline lies in the label's
    // coordinates (it may fall between pixels).
    GlyphCache(const QFont& font, const QColor& colour, qreal baselineY);

    // The line laid out from originX (whole pixels), or nothing when a
    // character needs the full text layout (combining marks, scripts that
    // join or reorder, controls, characters outside the basic plane). The
    // characters up to the first one that differs from the line laid out
    // before are taken from that line: a clock's next second lays out only
    // the digits that changed.
    std::optional<Line> Lay(const QString& text, int originX);

    // Makes ready every image of the characters and the kerning of every
    // pair of them, so that lines of these cost no drawing later.
    void Prepare(const QString& characters);

    // A character this cache lays out exactly as a whole-line layout would.
    static bool IsSimple(QChar c);

private:
    struct Drawn {
        QImage image;
        int padLeft = 0;  // the pen's place in the image, in whole pixels
        int padTop = 0;
    };
    Drawn Draw(QChar c, int fraction64) const;
    int FractionGroup(int fraction64);
    std::int64_t Advance64(QChar c);
    std::int64_t Kern64(QChar left, QChar right);
    const Placed& ImageOf(QChar c, int fraction64);

    QFont FFont;
    QColor FColour;
    int FBaselineRow;        // whole pixels of the baseline
    qreal FBaselineFraction; // and the part of a pixel below that
    QHash<char16_t, std::int64_t> FAdvances;
    QHash<std::uint32_t, std::int64_t> FKerning;      // key: left << 16 | right
    QHash<std::uint32_t, Placed> FImages;  // key: character << 8 | group; `at` is the offset from the pen
    // For each 64th of a pixel, the first 64th drawn at the same place.
    std::array<std::uint8_t, 64> FFractionGroup{};
    bool FGroupsKnown = false;

    // The line laid out last, with each character's pen position; empty
    // after a text that could not be laid out.
    QString FLastText;
    int FLastOrigin = 0;
    std::vector<std::int64_t> FLastPens;
    std::vector<Placed> FLastGlyphs;
};
