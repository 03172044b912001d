// Draws the main window's skin: a dark brushed-metal body with a bevelled
// edge, a recessed screen for the time, key plates under the flat buttons and
// a speaker grille. The artwork is painted in true colour, reduced to a
// 255-colour palette, and written as an 8-bit picture whose entry 0 is the
// transparent colour that fills everything outside the window outline. The
// outline block stored with the skin is computed from the written picture.

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <vector>

#include "skin/Bitmap.h"
#include "tests/support/BmpFile.h"
#include "skin/ByteStream.h"
#include "skin/RegionData.h"
#include "skin/RegionFromBitmap.h"
#include "skin/RegionQt.h"

namespace {

constexpr int kWidth = 401;
constexpr int kHeight = 203;
constexpr uint32_t kTransparent = 252 | 254 << 8 | 252 << 16;  // 0x00BBGGRR

// The window outline: a rounded rectangle inside the picture.
constexpr std::array<Region::Rect, 11> kOutline = {{
    {8, 2, 392, 3},
    {6, 3, 394, 4},
    {6, 4, 395, 5},
    {4, 5, 396, 6},
    {3, 6, 397, 8},
    {2, 8, 398, 195},
    {2, 195, 397, 196},
    {3, 196, 397, 197},
    {4, 197, 396, 198},
    {5, 198, 395, 199},
    {7, 199, 393, 200},
}};

Region Outline()
{
    return Region::FromRects(kOutline);
}

void InsetPanel(QPainter& p, const QRectF& r, qreal radius, const QColor& top, const QColor& bottom)
{
    // Recess: shadow above, light lip below.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 120));
    p.drawRoundedRect(r.adjusted(-1, -1, 1, 0), radius + 1, radius + 1);
    p.setBrush(QColor(255, 255, 255, 34));
    p.drawRoundedRect(r.adjusted(-1, 0, 1, 1.5), radius + 1, radius + 1);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setBrush(fill);
    p.drawRoundedRect(r, radius, radius);
    // Inner shadow along the top edge.
    QLinearGradient shade(r.topLeft(), r.topLeft() + QPointF(0, 6));
    shade.setColorAt(0, QColor(0, 0, 0, 110));
    shade.setColorAt(1, QColor(0, 0, 0, 0));
    p.setBrush(shade);
    p.drawRoundedRect(r, radius, radius);
}

void KeyPlate(QPainter& p, const QRectF& r, const QColor& top, const QColor& bottom)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 140));  // drop shadow
    p.drawRoundedRect(r.translated(0, 1.5).adjusted(-0.5, 0, 0.5, 0.5), 4, 4);
    p.setBrush(QColor(8, 10, 14));
    p.drawRoundedRect(r.adjusted(-1, -1, 1, 1), 4.5, 4.5);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setBrush(fill);
    p.drawRoundedRect(r, 3.5, 3.5);
    p.setPen(QPen(QColor(255, 255, 255, 70), 1));
    p.drawLine(QPointF(r.left() + 3, r.top() + 0.5), QPointF(r.right() - 3, r.top() + 0.5));
}

void Engrave(QPainter& p, const QPointF& at, const QString& text, const QFont& font, int alpha)
{
    p.setFont(font);
    p.setPen(QColor(0, 0, 0, alpha));
    p.drawText(at + QPointF(0, -1), text);
    p.setPen(QColor(255, 255, 255, alpha / 3));
    p.drawText(at + QPointF(0, 1), text);
    p.setPen(QColor(150, 162, 182, alpha));
    p.drawText(at, text);
}

QImage PaintArtwork()
{
    QImage img(kWidth, kHeight, QImage::Format_RGB32);
    img.fill(QColor(252, 254, 252));
    const Region outline = Outline();

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setClipRegion(ToQRegion(outline));

    // Body: graphite with a cool tint, lighter towards the top.
    QLinearGradient body(0, 2, 0, 200);
    body.setColorAt(0.0, QColor(78, 88, 104));
    body.setColorAt(0.35, QColor(50, 57, 69));
    body.setColorAt(1.0, QColor(28, 32, 40));
    p.fillRect(0, 0, kWidth, kHeight, body);
    QRadialGradient sheen(QPointF(120, 10), 260);
    sheen.setColorAt(0, QColor(255, 255, 255, 26));
    sheen.setColorAt(1, QColor(255, 255, 255, 0));
    p.fillRect(0, 0, kWidth, kHeight, sheen);
    p.end();

    // Brushed metal: faint horizontal streaks, the same along each streak.
    std::mt19937 rng(20260601);
    std::normal_distribution<double> streak(0.0, 2.2);
    for (int y = 0; y < kHeight; ++y) {
        double level = streak(rng);
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            if (!outline.Contains(x, y))
                continue;
            if (x % 37 == 0)
                level = 0.6 * level + 0.4 * streak(rng);
            const int d = static_cast<int>(std::lround(level));
            line[x] = qRgb(std::clamp(qRed(line[x]) + d, 0, 255), std::clamp(qGreen(line[x]) + d, 0, 255),
                           std::clamp(qBlue(line[x]) + d, 0, 255));
        }
    }

    // Bevel: light on the upper-left edges, shade on the lower-right, over
    // a dark rim one pixel wide.
    QImage lit = img;
    for (int y = 0; y < kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(lit.scanLine(y));
        for (int x = 0; x < kWidth; ++x) {
            if (!outline.Contains(x, y))
                continue;
            QColor c(line[x]);
            bool rim = false;
            for (auto [dx, dy] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}})
                if (!outline.Contains(x + dx, y + dy))
                    rim = true;
            if (rim) {
                line[x] = qRgb(10, 12, 16);
                continue;
            }
            double light = 0;
            for (int k = 1; k <= 4; ++k) {
                const double w = (5 - k) / 4.0;
                if (!outline.Contains(x - k, y) || !outline.Contains(x, y - k))
                    light = std::max(light, 0.55 * w);
                if (!outline.Contains(x + k, y) || !outline.Contains(x, y + k))
                    light = std::min(light, -0.6 * w);
            }
            if (light > 0)
                c = QColor::fromRgbF(c.redF() + (1 - c.redF()) * light * 0.8,
                                     c.greenF() + (1 - c.greenF()) * light * 0.8,
                                     c.blueF() + (1 - c.blueF()) * light * 0.85);
            else if (light < 0)
                c = QColor::fromRgbF(c.redF() * (1 + light), c.greenF() * (1 + light), c.blueF() * (1 + light));
            line[x] = c.rgb();
        }
    }
    img = lit;

    p.begin(&img);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setClipRegion(ToQRegion(outline));

    // Brand, engraved in the top strip.
    QFont brand("DejaVu Sans", 8, QFont::Bold);
    brand.setPixelSize(11);
    brand.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    Engrave(p, QPointF(16, 19), QStringLiteral("ZUM"), brand, 200);
    QFont small("DejaVu Sans", 7);
    small.setPixelSize(8);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    Engrave(p, QPointF(52, 18.5), QStringLiteral("ALARM CLOCK"), small, 150);

    // Strip under the alarm text.
    InsetPanel(p, QRectF(12, 26, 196, 17), 4, QColor(18, 22, 29), QColor(26, 31, 40));

    // The screen under the time: deep teal-black glass.
    const QRectF screen(12, 48, 377, 92);
    InsetPanel(p, screen, 9, QColor(6, 19, 24), QColor(9, 30, 37));
    p.setPen(Qt::NoPen);
    for (int y = 52; y < 138; y += 3) {  // faint scan lines
        p.setBrush(QColor(0, 0, 0, 38));
        p.drawRect(QRectF(16, y, 369, 1));
    }
    QRadialGradient glow(QPointF(200, 98), 170);
    glow.setColorAt(0, QColor(0, 200, 220, 26));
    glow.setColorAt(1, QColor(0, 200, 220, 0));
    p.setBrush(glow);
    p.drawRoundedRect(screen, 9, 9);
    QPainterPath glare;  // reflection across the upper part of the glass
    glare.moveTo(screen.left() + 4, screen.top() + 3);
    glare.lineTo(screen.left() + 170, screen.top() + 3);
    glare.lineTo(screen.left() + 120, screen.top() + 34);
    glare.lineTo(screen.left() + 4, screen.top() + 34);
    glare.closeSubpath();
    QLinearGradient glareFill(screen.topLeft(), screen.topLeft() + QPointF(0, 34));
    glareFill.setColorAt(0, QColor(255, 255, 255, 22));
    glareFill.setColorAt(1, QColor(255, 255, 255, 0));
    p.setBrush(glareFill);
    p.save();
    QPainterPath screenPath;
    screenPath.addRoundedRect(screen.adjusted(1, 1, -1, -1), 8, 8);
    p.setClipPath(screenPath, Qt::IntersectClip);
    p.drawPath(glare);
    p.restore();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0, 0, 0, 200), 1));
    p.drawRoundedRect(screen.adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);

    // Strip under the sound file name.
    InsetPanel(p, QRectF(12, 147, 377, 17), 4, QColor(18, 22, 29), QColor(26, 31, 40));

    // Window keys at the top right; the close key is tinted red.
    KeyPlate(p, QRectF(356, 8, 17, 17), QColor(86, 97, 115), QColor(44, 50, 62));
    KeyPlate(p, QRectF(376, 8, 17, 17), QColor(128, 52, 52), QColor(70, 24, 26));

    // Socket of the armed lamp at 376,32 (8 x 8): a dark ring and a dim lens.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(8, 10, 13));
    p.drawEllipse(QRectF(373.5, 29.5, 13, 13));
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawEllipse(QRectF(374, 31, 12, 12));
    p.setBrush(QColor(8, 10, 13));
    p.drawEllipse(QRectF(374, 30, 12, 12));
    QRadialGradient lens(QPointF(379, 34), 6);
    lens.setColorAt(0, QColor(110, 36, 36));
    lens.setColorAt(1, QColor(42, 12, 14));
    p.setBrush(lens);
    p.drawEllipse(QRectF(375.5, 31.5, 9, 9));

    // Key plates under the flat buttons.
    KeyPlate(p, QRectF(14, 168, 33, 22), QColor(44, 108, 86), QColor(20, 58, 46));   // ON / OFF
    KeyPlate(p, QRectF(151, 168, 33, 17), QColor(86, 97, 115), QColor(44, 50, 62));  // Play
    KeyPlate(p, QRectF(192, 168, 33, 17), QColor(86, 97, 115), QColor(44, 50, 62));  // Stop
    KeyPlate(p, QRectF(344, 168, 45, 23), QColor(86, 97, 115), QColor(44, 50, 62));  // MENU

    // Engraved caption between the alarm switch and the player keys.
    QFont caption("DejaVu Sans", 7, QFont::Bold);
    caption.setPixelSize(8);
    caption.setLetterSpacing(QFont::AbsoluteSpacing, 1.5);
    Engrave(p, QPointF(58, 182), QStringLiteral("ALARM"), caption, 180);
    Engrave(p, QPointF(106, 182), QStringLiteral("SOUND"), caption, 180);

    // Speaker grille between the player keys and the menu key.
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 17; ++col) {
            const double cx = 242 + col * 5.8 + (row % 2) * 2.9;
            const double cy = 171 + row * 5.5;
            if (cx > 334)
                continue;
            p.setBrush(QColor(255, 255, 255, 36));
            p.drawEllipse(QPointF(cx, cy + 0.7), 1.6, 1.6);
            p.setBrush(QColor(4, 5, 7));
            p.drawEllipse(QPointF(cx, cy), 1.5, 1.5);
        }
    }
    p.end();
    return img;
}

// Median cut: splits the colour cube where the pixels spread most until
// there are `count` boxes; each box's mean is one palette entry.
std::vector<QRgb> MedianCut(const std::vector<QRgb>& pixels, size_t count)
{
    std::vector<std::vector<QRgb>> boxes{pixels};
    auto channel = [](QRgb c, int k) { return k == 0 ? qRed(c) : k == 1 ? qGreen(c) : qBlue(c); };
    while (boxes.size() < count) {
        size_t best = boxes.size();
        int bestRange = 0;
        int bestChannel = 0;
        for (size_t i = 0; i < boxes.size(); ++i) {
            for (int k = 0; k < 3; ++k) {
                int lo = 255, hi = 0;
                for (QRgb c : boxes[i]) {
                    lo = std::min(lo, channel(c, k));
                    hi = std::max(hi, channel(c, k));
                }
                // Weight by population so busy areas get finer steps.
                const int score = (hi - lo) * static_cast<int>(std::sqrt(boxes[i].size()));
                if (hi > lo && score > bestRange) {
                    bestRange = score;
                    best = i;
                    bestChannel = k;
                }
            }
        }
        if (best == boxes.size())
            break;
        auto& box = boxes[best];
        std::sort(box.begin(), box.end(),
                  [&](QRgb a, QRgb b) { return channel(a, bestChannel) < channel(b, bestChannel); });
        const size_t mid = box.size() / 2;
        std::vector<QRgb> upper(box.begin() + static_cast<std::ptrdiff_t>(mid), box.end());
        box.resize(mid);
        boxes.push_back(std::move(upper));
    }
    std::vector<QRgb> palette;
    for (const auto& box : boxes) {
        if (box.empty())
            continue;
        long r = 0, g = 0, b = 0;
        for (QRgb c : box) {
            r += qRed(c);
            g += qGreen(c);
            b += qBlue(c);
        }
        const long n = static_cast<long>(box.size());
        palette.push_back(qRgb(static_cast<int>((r + n / 2) / n), static_cast<int>((g + n / 2) / n),
                               static_cast<int>((b + n / 2) / n)));
    }
    return palette;
}

uint32_t ToColorValue(QRgb c)
{
    return static_cast<uint32_t>(qRed(c)) | static_cast<uint32_t>(qGreen(c)) << 8 |
           static_cast<uint32_t>(qBlue(c)) << 16;
}

Bitmap Quantize(const QImage& art)
{
    const Region outline = Outline();
    std::vector<QRgb> inside;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            if (outline.Contains(x, y))
                inside.push_back(art.pixel(x, y) & 0xFFFFFFu);

    std::vector<QRgb> palette = MedianCut(inside, 255);
    for (QRgb& c : palette)
        if (ToColorValue(c) == kTransparent)
            c = qRgb(252, 253, 252);  // keep the key colour unique

    std::vector<uint32_t> table(256, 0);  // unused entries: black
    table[0] = kTransparent;
    for (size_t i = 0; i < palette.size(); ++i)
        table[i + 1] = ToColorValue(palette[i]);

    Bitmap bitmap(kWidth, kHeight, 8);
    bitmap.SetColorTable(table);
    std::map<QRgb, uint8_t> nearest;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            if (!outline.Contains(x, y))
                continue;  // stays entry 0
            const QRgb c = art.pixel(x, y) & 0xFFFFFFu;
            auto it = nearest.find(c);
            if (it == nearest.end()) {
                size_t best = 1;
                int bestDistance = 1 << 30;
                for (size_t i = 0; i < palette.size(); ++i) {
                    const int dr = qRed(c) - qRed(palette[i]);
                    const int dg = qGreen(c) - qGreen(palette[i]);
                    const int db = qBlue(c) - qBlue(palette[i]);
                    const int d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
                    if (d < bestDistance) {
                        bestDistance = d;
                        best = i + 1;
                    }
                }
                it = nearest.emplace(c, static_cast<uint8_t>(best)).first;
            }
            bitmap.SetPixelValue(x, y, it->second);
        }
    }
    return bitmap;
}

// Sample captions where the program puts its labels, to judge contrast.
void DrawPreviewLabels(QImage& img)
{
    QPainter p(&img);
    p.setRenderHint(QPainter::TextAntialiasing);
    QFont time("DejaVu Sans", 36, QFont::Bold);
    time.setPixelSize(48);
    p.setFont(time);
    p.setPen(QColor(0, 255, 255));
    p.drawText(QRect(96, 60, 300, 60), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("23:09:10"));
    QFont label("DejaVu Sans", 8);
    label.setPixelSize(11);
    p.setFont(label);
    p.setPen(Qt::white);
    p.drawText(QRect(16, 28, 200, 14), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("Alarm: 07:30:00"));
    label.setPixelSize(9);
    p.setFont(label);
    p.drawText(QRect(16, 152, 360, 12), Qt::AlignLeft | Qt::AlignTop, QStringLiteral("/home/user/Music/wake up.mp3"));
    label.setPixelSize(11);
    p.setFont(label);
    p.drawText(QRect(344, 168, 45, 23), Qt::AlignCenter, QStringLiteral("MENU"));
    p.drawText(QRect(356, 8, 17, 17), Qt::AlignCenter, QStringLiteral("-"));
    p.drawText(QRect(376, 8, 17, 17), Qt::AlignCenter, QStringLiteral("x"));
    p.drawText(QRect(151, 168, 33, 17), Qt::AlignCenter, QStringLiteral("Play"));
    p.drawText(QRect(192, 168, 33, 17), Qt::AlignCenter, QStringLiteral("Stop"));
    p.drawText(QRect(14, 168, 33, 22), Qt::AlignCenter, QStringLiteral("ON"));
    p.fillRect(QRect(376, 32, 8, 8), Qt::red);
}

bool WriteFile(const QString& path, const std::vector<uint8_t>& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const auto size = static_cast<qint64>(bytes.size());
    return file.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);  // fonts for the engraved captions
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR [PREVIEW.png]\n", argv[0]);
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);

    const Bitmap skin = Quantize(PaintArtwork());
    const auto region = fcCreateRegionFromBitmap(skin, skin.ColorAt(0, kHeight - 1));
    if (!region || !(*region == Outline())) {
        std::fprintf(stderr, "the picture's outline is not the intended one\n");
        return 1;
    }
    VectorByteSink block;
    WriteRegions(block, region);
    if (!WriteFile(dir + "/skin.bmp", EncodeBmp(skin)) || !WriteFile(dir + "/RegionData.bin", block.Bytes())) {
        std::fprintf(stderr, "cannot write into %s\n", argv[1]);
        return 1;
    }
    if (argc > 2) {
        const std::vector<uint8_t> file = EncodeBmp(skin);
        QImage preview = QImage::fromData(QByteArray(reinterpret_cast<const char*>(file.data()),
                                                     static_cast<qsizetype>(file.size())))
                             .convertToFormat(QImage::Format_RGB32);
        DrawPreviewLabels(preview);
        preview.save(QString::fromLocal8Bit(argv[2]));
    }
    return 0;
}
