// Draws the program's icon: an alarm clock face (dark bezel, light dial,
// two bells, 10:10 on the hands) that stays legible from 16 pixels up and on
// light and dark panels alike, since the dark outline carries it on a light
// panel and the light dial on a dark one.
//
// One description of the drawing, in a 32-unit square, feeds every output:
// the painter renders it at each theme size, the SVG writer emits the same
// primitives as text, and the 32-pixel rendering is reduced to 16 colours
// for the one-image icon file the tray shows.

#include <QColor>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr double kGrid = 32.0;  // design units across the icon

const QColor kInk(30, 37, 51);       // bezel, ticks, hands
const QColor kDial(253, 251, 243);   // clock face
const QColor kBell(214, 58, 46);     // bells, second hand, hub
const QColor kGleam(255, 255, 255);  // highlight on the bells

// Primitives in design units. Circles are filled and optionally stroked;
// lines have round caps unless they must end exactly on a pixel edge.
struct Circle {
    double cx, cy, r;
    QColor fill;
    QColor stroke;  // invalid: no stroke
    double strokeWidth = 0;
};

struct Line {
    double x1, y1, x2, y2, width;
    QColor color;
    bool roundCap = true;  // otherwise flat, ending exactly at the end points
};

struct Shape {
    enum Kind { kCircle, kLine } kind;
    Circle circle{};
    Line line{};
};

using Drawing = std::vector<Shape>;

Shape C(double cx, double cy, double r, QColor fill, QColor stroke = {}, double strokeWidth = 0)
{
    return {Shape::kCircle, {cx, cy, r, fill, stroke, strokeWidth}, {}};
}

Shape L(double x1, double y1, double x2, double y2, double width, QColor color, bool roundCap = true)
{
    return {Shape::kLine, {}, {x1, y1, x2, y2, width, color, roundCap}};
}

// Point at `radius` from (cx, cy) in the direction of a clock position given
// in minutes (0 = twelve o'clock, 15 = three o'clock).
QPointF OnDial(double cx, double cy, double radius, double minutes)
{
    const double a = minutes / 60.0 * 2.0 * std::numbers::pi;
    return {cx + radius * std::sin(a), cy - radius * std::cos(a)};
}

// The drawing for a rendering `pixels` wide. Small renderings drop the bells
// (under 20 pixels) and the minor ticks, thicken strokes to stay at least a
// pixel wide, and put the centre and the major ticks on whole pixels so the
// ticks come out as solid 2-pixel bars instead of grey smears; the large
// one (also the scalable one) gets the second hand.
Drawing DrawingFor(int pixels)
{
    Drawing d;
    const bool tiny = pixels < 20;
    const bool large = pixels >= 48;
    const double px = kGrid / pixels;  // one pixel in design units
    auto snap = [&](double v) { return large ? v : std::round(v / px) * px; };

    // The tiny face is 15 pixels across with its centre in the middle of a
    // pixel, so its ticks can be single pixels wide.
    const double cx = tiny ? 7.5 * px : 16, cy = tiny ? cx : snap(17.5), r = tiny ? 7.5 * px : 13.5;
    const double bezel = tiny ? 1.5 * px : large ? 2.2 : std::max(2.4, 1.6 * px);
    const double outline = large ? 1.0 : std::max(1.0, 1.0 * px);
    if (!tiny) {
        // Feet, then the bells, then the body over their lower halves.
        for (double side : {-1.0, 1.0}) {
            const QPointF a = OnDial(cx, cy, r - 1.0, 30 + side * 7.5), b = OnDial(cx, cy, r + 2.0, 30 + side * 7.8);
            d.push_back(L(a.x(), a.y(), b.x(), std::min(b.y(), 32 - 1.6), 2.6, kInk));
        }
        for (double side : {-1.0, 1.0}) {
            const double at = side < 0 ? 52.5 : 7.5;
            const QPointF c = OnDial(cx, cy, r + 0.2, at);
            d.push_back(C(c.x(), c.y(), 5.2, kBell, kInk, outline));
            if (pixels >= 24) {
                const QPointF g = OnDial(c.x(), c.y(), 2.7, at);
                d.push_back(C(g.x(), g.y(), large ? 1.0 : 1.1, kGleam));
            }
        }
    }
    d.push_back(C(cx, cy, r, kInk));
    const double inner = r - bezel;
    d.push_back(C(cx, cy, inner, kDial));
    for (int m = 0; m < 60; m += 5) {
        const bool major = m % 15 == 0;
        if (!major && pixels < 32)
            continue;
        if (major && !large) {
            // A solid bar on whole pixels a little in from the dial's edge:
            // 1 x 2 pixels on the tiny face, 2 pixels wide on the others.
            const double from = tiny ? inner - 0.5 * px : snap(inner - px);
            const double to = from - (tiny ? 2 * px : snap(std::max(3.0, 2 * px)));
            const QPointF a = OnDial(cx, cy, from, m), b = OnDial(cx, cy, to, m);
            d.push_back(L(a.x(), a.y(), b.x(), b.y(), (tiny ? 1 : 2) * px, kInk, false));
            continue;
        }
        const double len = major ? 2.4 : 1.2;
        const QPointF a = OnDial(cx, cy, inner - 1.1, m), b = OnDial(cx, cy, inner - 1.1 - len, m);
        d.push_back(L(a.x(), a.y(), b.x(), b.y(), major ? 1.8 : std::max(1.0, 0.9 * px), kInk));
    }
    const double hourLength = tiny ? 3.2 * px : inner * 0.55, minuteLength = tiny ? 4.6 * px : inner * 0.8;
    const QPointF h = OnDial(cx, cy, hourLength, 50.8), m = OnDial(cx, cy, minuteLength, 10);
    d.push_back(L(cx, cy, h.x(), h.y(), tiny ? 1.9 * px : std::max(2.4, 1.6 * px), kInk));
    d.push_back(L(cx, cy, m.x(), m.y(), tiny ? 1.5 * px : std::max(1.8, 1.3 * px), kInk));
    if (large) {
        const QPointF s1 = OnDial(cx, cy, inner * 0.85, 35), s0 = OnDial(cx, cy, 2.5, 5);
        d.push_back(L(s0.x(), s0.y(), s1.x(), s1.y(), 0.6, kBell));
    }
    d.push_back(C(cx, cy, large ? 1.3 : std::max(1.4, 1.0 * px), large ? kBell : kInk));
    return d;
}

QImage Render(const Drawing& drawing, int pixels)
{
    QImage img(pixels, pixels, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(pixels / kGrid, pixels / kGrid);
    for (const Shape& s : drawing) {
        if (s.kind == Shape::kCircle) {
            const Circle& c = s.circle;
            p.setBrush(c.fill);
            if (c.stroke.isValid())
                p.setPen(QPen(c.stroke, c.strokeWidth));
            else
                p.setPen(Qt::NoPen);
            p.drawEllipse(QPointF(c.cx, c.cy), c.r, c.r);
        } else {
            const Line& l = s.line;
            p.setPen(QPen(l.color, l.width, Qt::SolidLine, l.roundCap ? Qt::RoundCap : Qt::FlatCap));
            p.drawLine(QPointF(l.x1, l.y1), QPointF(l.x2, l.y2));
        }
    }
    return img;
}

std::string Hex(const QColor& c)
{
    return c.name(QColor::HexRgb).toStdString();
}

std::string Num(double v)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.3f", v);
    std::string s = buf;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s == "-0" ? "0" : s;
}

std::string Svg(const Drawing& drawing)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                      "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"0 0 32 32\">\n";
    for (const Shape& s : drawing) {
        if (s.kind == Shape::kCircle) {
            const Circle& c = s.circle;
            out += "  <circle cx=\"" + Num(c.cx) + "\" cy=\"" + Num(c.cy) + "\" r=\"" + Num(c.r) + "\" fill=\"" +
                   Hex(c.fill) + "\"";
            if (c.stroke.isValid())
                out += " stroke=\"" + Hex(c.stroke) + "\" stroke-width=\"" + Num(c.strokeWidth) + "\"";
            out += "/>\n";
        } else {
            const Line& l = s.line;
            out += "  <line x1=\"" + Num(l.x1) + "\" y1=\"" + Num(l.y1) + "\" x2=\"" + Num(l.x2) + "\" y2=\"" +
                   Num(l.y2) + "\" stroke=\"" + Hex(l.color) + "\" stroke-width=\"" + Num(l.width) + "\"" +
                   (l.roundCap ? " stroke-linecap=\"round\"" : "") + "/>\n";
        }
    }
    out += "</svg>\n";
    return out;
}

// --- 16-colour reduction -------------------------------------------------

struct Rgb {
    int r, g, b;
};

Rgb Mix(const QColor& a, const QColor& b, double t)
{
    auto m = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return {m(a.red(), b.red()), m(a.green(), b.green()), m(a.blue(), b.blue())};
}

// Entry 0 is black, the colour of the transparent pixels, so that the
// colour rows leave the screen unchanged where the mask lets it through.
// The others are the artwork's own colours and the blends its edges make
// between them: ink into dial in eighths (hands, ticks, the bezel's inner
// edge), the bell into ink, dial and gleam.
std::vector<Rgb> IconPalette()
{
    std::vector<Rgb> palette{{0, 0, 0}};
    for (int i = 0; i <= 8; ++i)
        palette.push_back(Mix(kInk, kDial, i / 8.0));
    palette.push_back(Mix(kBell, kInk, 0.75));
    palette.push_back(Mix(kBell, kInk, 0.5));
    palette.push_back(Mix(kBell, kInk, 0.0));
    palette.push_back(Mix(kBell, kDial, 0.5));
    palette.push_back(Mix(kBell, kGleam, 0.5));
    palette.push_back(Mix(kGleam, kGleam, 0.0));
    return palette;
}

int Nearest(const std::vector<Rgb>& palette, Rgb c)
{
    int best = 0;
    long bestDistance = -1;
    for (size_t i = 0; i < palette.size(); ++i) {
        const long dr = palette[i].r - c.r, dg = palette[i].g - c.g, db = palette[i].b - c.b;
        const long dist = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
        if (bestDistance < 0 || dist < bestDistance)
            bestDistance = dist, best = static_cast<int>(i);
    }
    return best;
}

// The one-image icon file: ICONDIR, one ICONDIRENTRY, a BITMAPINFOHEADER
// whose height counts the colour rows and the mask rows, the 16-entry
// palette, the 4-bit colour rows and the 1-bit AND mask, both bottom-up.
// Pixels with less than half coverage are transparent (mask bit set, colour
// index 0); the others take the palette colour nearest their own, with
// their coverage dropped (the image is not premultiplied).
QByteArray EncodeIcon(const QImage& art, QImage& shown)
{
    constexpr int kSize = 32;
    constexpr int kXorRow = kSize / 2, kAndRow = kSize / 8;
    const std::vector<Rgb> palette = IconPalette();

    std::vector<uint8_t> xorRows(kXorRow * kSize, 0), andRows(kAndRow * kSize, 0);
    shown = QImage(kSize, kSize, QImage::Format_ARGB32);
    for (int y = 0; y < kSize; ++y) {
        const int row = kSize - 1 - y;
        for (int x = 0; x < kSize; ++x) {
            const QRgb c = art.pixel(x, y);
            int index = 0;
            if (qAlpha(c) >= 128) {
                index = Nearest(palette, {qRed(c), qGreen(c), qBlue(c)});
                const Rgb& p = palette[static_cast<size_t>(index)];
                shown.setPixel(x, y, qRgba(p.r, p.g, p.b, 255));
            } else {
                andRows[static_cast<size_t>(row * kAndRow + x / 8)] |= static_cast<uint8_t>(0x80 >> (x % 8));
                shown.setPixel(x, y, qRgba(0, 0, 0, 0));
            }
            xorRows[static_cast<size_t>(row * kXorRow + x / 2)] |=
                static_cast<uint8_t>(x % 2 == 0 ? index << 4 : index);
        }
    }

    const uint32_t imageBytes = 40 + 16 * 4 + static_cast<uint32_t>(xorRows.size() + andRows.size());
    QByteArray out;
    QDataStream w(&out, QIODevice::WriteOnly);
    w.setByteOrder(QDataStream::LittleEndian);
    w << quint16(0) << quint16(1) << quint16(1);                     // reserved, type icon, one image
    w << quint8(kSize) << quint8(kSize) << quint8(16) << quint8(0);  // size, colours, reserved
    w << quint16(1) << quint16(4);                                   // planes, bits per pixel
    w << quint32(imageBytes) << quint32(6 + 16);                     // image size and offset
    w << quint32(40) << qint32(kSize) << qint32(2 * kSize) << quint16(1) << quint16(4);
    w << quint32(0) << quint32(xorRows.size() + andRows.size());  // no compression
    w << qint32(0) << qint32(0) << quint32(16) << quint32(0);     // resolution, colours used, important
    for (const Rgb& p : palette)
        w << quint8(p.b) << quint8(p.g) << quint8(p.r) << quint8(0);
    for (uint8_t v : xorRows)
        w << quint8(v);
    for (uint8_t v : andRows)
        w << quint8(v);
    return out;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

// Every size at 1:1 and the icon file's image enlarged, on a light and on a
// dark panel.
QImage Preview(const std::vector<QImage>& sizes, const QImage& shown)
{
    const int zoom = 4;
    int width = 8;
    for (const QImage& s : sizes)
        width += s.width() + 8;
    width += 32 * zoom + 8;
    const int band = 256 + 16;
    QImage out(width, 2 * band, QImage::Format_RGB32);
    QPainter p(&out);
    const std::array<QColor, 2> panels = {QColor(236, 236, 236), QColor(40, 42, 46)};
    for (int i = 0; i < 2; ++i) {
        p.fillRect(0, i * band, width, band, panels[static_cast<size_t>(i)]);
        int x = 8;
        for (const QImage& s : sizes) {
            p.drawImage(x, i * band + 8, s);
            x += s.width() + 8;
        }
        p.drawImage(QRect(x, i * band + 8, 32 * zoom, 32 * zoom), shown);
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR [PREVIEW.png]\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    bool ok = true;

    std::vector<QImage> sizes;
    for (int pixels : {16, 22, 24, 32, 48, 64, 128, 256}) {
        const QString sub = QString("%1/hicolor/%2x%2/apps").arg(dir).arg(pixels);
        QImage img = Render(DrawingFor(pixels), pixels);
        ok = ok && QDir().mkpath(sub) && img.save(sub + "/zum.png");
        sizes.push_back(std::move(img));
    }
    const QString scalable = dir + "/hicolor/scalable/apps";
    ok = ok && QDir().mkpath(scalable) &&
         WriteFile(scalable + "/zum.svg", QByteArray::fromStdString(Svg(DrawingFor(256))));

    QImage shown;
    const QByteArray icon = EncodeIcon(Render(DrawingFor(32), 32), shown);
    if (icon.size() != 766) {
        std::fprintf(stderr, "the icon file came out %lld bytes long, not 766\n", static_cast<long long>(icon.size()));
        return 1;
    }
    // The written file must read back, through Qt's own reader, as exactly
    // the image that was meant.
    const QImage decoded = QImage::fromData(icon, "ICO").convertToFormat(QImage::Format_ARGB32);
    if (decoded.size() != shown.size()) {
        std::fprintf(stderr, "Qt does not read the icon file back\n");
        return 1;
    }
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const QRgb a = decoded.pixel(x, y), b = shown.pixel(x, y);
            if (qAlpha(a) != qAlpha(b) || (qAlpha(a) != 0 && (a & 0xffffff) != (b & 0xffffff))) {
                std::fprintf(stderr, "the icon file reads back different at %d,%d\n", x, y);
                return 1;
            }
        }
    ok = ok && WriteFile(dir + "/zum.ico", icon);
    if (!ok) {
        std::fprintf(stderr, "cannot write into %s\n", argv[1]);
        return 1;
    }
    if (argc > 2)
        Preview(sizes, shown).save(QString::fromLocal8Bit(argv[2]));
    return 0;
}
