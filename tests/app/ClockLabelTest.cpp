#include <gtest/gtest.h>

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QWidget>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/ClockLabel.h"
#include "app/GlyphCache.h"

namespace {

QFont ClockFont()
{
    QFont font(QStringLiteral("Comic Sans MS"));
    font.setPixelSize(48);
    font.setBold(true);
    return font;
}

// A stand-in for the skin: a background with detail, so that a character
// blended wrongly over it shows.
class Backdrop : public QWidget {
public:
    Backdrop() { resize(399, 120); }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QLinearGradient gradient(0, 0, width(), height());
        gradient.setColorAt(0, QColor(20, 30, 120));
        gradient.setColorAt(1, QColor(200, 90, 40));
        painter.fillRect(rect(), gradient);
    }
};

template <typename Label>
Label* PutLabel(QWidget* parent)
{
    auto* label = new Label(parent);
    label->move(20, 30);
    label->setFont(ClockFont());
    label->setAttribute(Qt::WA_TranslucentBackground);
    label->setTextFormat(Qt::PlainText);
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, QColor(0x00, 0xFF, 0xFF));
    label->setPalette(colours);
    return label;
}

// The same text as the framework's own auto-sized label draws it.
QImage FrameworkDrawing(const QString& text, QSize* size = nullptr)
{
    Backdrop backdrop;
    QLabel* label = PutLabel<QLabel>(&backdrop);
    label->setText(text);
    label->adjustSize();
    if (size)
        *size = label->size();
    return backdrop.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

struct Difference {
    int pixels = 0;   // pixels off by more than a rounding step
    int largest = 0;  // the largest difference of a channel
};

// The framework blends the edges of text it draws straight onto a picture
// with a gamma curve, and a character image by plain alpha: an edge pixel
// may come out some shades apart, never a pixel of a glyph moved or missing
// (a glyph a pixel off differs by most of the range along its edges).
constexpr int kEdgeShades = 48;

Difference Compare(const QImage& a, const QImage& b)
{
    Difference d;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int off = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                      std::abs(qBlue(p) - qBlue(q))});
            d.largest = std::max(d.largest, off);
            d.pixels += off > 2 ? 1 : 0;
        }
    return d;
}

struct Shown {
    Backdrop backdrop;
    TClockLabel* label = PutLabel<TClockLabel>(&backdrop);

    QImage Drawing() { return backdrop.grab().toImage().convertToFormat(QImage::Format_RGB32); }
};

// Each text after the ones before it, as a clock shows them: the label takes
// the framework's size for each and draws it as the framework would, from
// its character images once it has them.
TEST(ClockLabel, DrawsEachTextAsTheFrameworkDoes)
{
    const std::vector<QString> texts = {
        "07:30:00", "07:30:01", "07:30:09", "07:31:10", "11:11:11", "19:59:59", "20:00:00",
        "12:34:56", "7:05:08 AM", "11:59:59 PM", "10:00:00", "08:47:23", "23:09:10", "00:00:00",
    };
    Shown shown;
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        shown.label->SetTimeText(text);
        EXPECT_EQ(shown.label->text(), text);
        EXPECT_TRUE(shown.label->DrawsFromCache());
        QSize expectedSize;
        const QImage expected = FrameworkDrawing(text, &expectedSize);
        EXPECT_EQ(shown.label->size(), expectedSize);
        const Difference d = Compare(shown.Drawing(), expected);
        EXPECT_LE(d.largest, kEdgeShades) << d.pixels << " pixels differ";
    }
}

// Texts the character images cannot lay out as a whole-line layout would
// are drawn by the framework, and the label still fits them.
TEST(ClockLabel, LeavesComplexTextsToTheFramework)
{
    const std::vector<QString> texts = {
        QString::fromUtf8("07:30:00 \u0635"),        // right to left
        QString::fromUtf8("07:30:00 e\u0301"),       // a combining mark
        QString::fromUtf8("\u0e2b\u0e25\u0e31\u0e07"),  // a script whose marks stack
        QStringLiteral("07:30:00 "),                  // a trailing space
        QStringLiteral("07:30\t00"),                  // a control
    };
    Shown shown;
    shown.label->SetTimeText(QStringLiteral("07:29:59"));
    ASSERT_TRUE(shown.label->DrawsFromCache());
    for (const QString& text : texts) {
        SCOPED_TRACE(text.toStdString());
        shown.label->SetTimeText(text);
        EXPECT_FALSE(shown.label->DrawsFromCache());
        QSize expectedSize;
        const QImage expected = FrameworkDrawing(text, &expectedSize);
        EXPECT_EQ(shown.label->size(), expectedSize);
        EXPECT_EQ(Compare(shown.Drawing(), expected).pixels, 0);
        // And back to a simple text: from the images again.
        shown.label->SetTimeText(QStringLiteral("07:30:01"));
        EXPECT_TRUE(shown.label->DrawsFromCache());
    }
}

// A clock whose first text needs the framework (a locale's marks) still
// draws its later simple texts from the images.
TEST(ClockLabel, FirstTextComplexLaterSimpleOnesFromTheImages)
{
    Shown shown;
    shown.label->SetTimeText(QString::fromUtf8("07:30:00 e\u0301"));
    EXPECT_FALSE(shown.label->DrawsFromCache());
    for (const char* text : {"07:30:01", "07:30:02", "11:11:11"}) {
        SCOPED_TRACE(text);
        shown.label->SetTimeText(QString::fromLatin1(text));
        EXPECT_TRUE(shown.label->DrawsFromCache());
        QSize expectedSize;
        const QImage expected = FrameworkDrawing(QString::fromLatin1(text), &expectedSize);
        EXPECT_EQ(shown.label->size(), expectedSize);
        EXPECT_LE(Compare(shown.Drawing(), expected).largest, kEdgeShades);
    }
}

// A change of look drops the images: the new font, colour or state shows.
TEST(ClockLabel, ChangeOfLookIsDrawnAnew)
{
    Shown shown;
    shown.label->SetTimeText(QStringLiteral("07:30:00"));
    ASSERT_TRUE(shown.label->DrawsFromCache());

    QFont smaller = ClockFont();
    smaller.setPixelSize(30);
    shown.label->setFont(smaller);
    EXPECT_FALSE(shown.label->DrawsFromCache());
    shown.label->SetTimeText(QStringLiteral("07:30:01"));
    EXPECT_TRUE(shown.label->DrawsFromCache());
    EXPECT_LT(shown.label->height(), 45);

    QPalette red = shown.label->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    shown.label->setPalette(red);
    shown.label->SetTimeText(QStringLiteral("07:30:02"));
    const QImage drawing = shown.Drawing();
    int redPixels = 0;
    for (int y = 0; y < drawing.height(); ++y)
        for (int x = 0; x < drawing.width(); ++x)
            redPixels += drawing.pixel(x, y) == qRgb(255, 0, 0) ? 1 : 0;
    EXPECT_GT(redPixels, 100);

    // Disabled: the framework's disabled look, not the images.
    shown.label->setEnabled(false);
    shown.label->SetTimeText(QStringLiteral("07:30:03"));
    EXPECT_FALSE(shown.label->DrawsFromCache());
    EXPECT_EQ(shown.label->text(), QStringLiteral("07:30:03"));
}

// A text set past SetTimeText is never covered by the images of an older
// one.
TEST(ClockLabel, TextSetDirectlyIsDrawnByTheFramework)
{
    Shown shown;
    shown.label->SetTimeText(QStringLiteral("07:30:00"));
    ASSERT_TRUE(shown.label->DrawsFromCache());
    shown.label->setText(QStringLiteral("11:11:11"));
    EXPECT_FALSE(shown.label->DrawsFromCache());
    const QImage drawing = shown.Drawing();
    Backdrop backdrop;
    QLabel* label = PutLabel<QLabel>(&backdrop);
    label->setText(QStringLiteral("11:11:11"));
    label->resize(shown.label->size());
    EXPECT_EQ(Compare(drawing, backdrop.grab().toImage().convertToFormat(QImage::Format_RGB32)).pixels, 0);
}

// Which characters the images may stand for, the quick table of the ASCII
// ones included.
TEST(GlyphCache, SimpleCharactersAreThoseLaidOutAlone)
{
    struct Case {
        char16_t c;
        bool simple;
    } cases[] = {
        {u'0', true},     {u'9', true},      {u':', true},     {u' ', true},     {u'A', true},
        {u'p', true},     {u'.', true},      {u'\t', false},   {u'\n', false},   {0x7f, false},
        {0x00e9, true},   {0x0301, false},   {0x0628, false},  {0x05d0, false},  {0x200e, false},
        {0x6642, true},   {0xd800, false},   {0x0915, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GlyphCache::IsSimple(QChar(c.c)), c.simple) << std::hex << static_cast<int>(c.c);
}

// A line laid out after another takes the characters the two share from
// the line before: it must come out as the same line laid out alone.
TEST(GlyphCache, LineAfterAnotherIsLaidAsAlone)
{
    struct Case {
        const char16_t* before;
        int beforeOrigin;
        const char16_t* after;
        int afterOrigin;
    } cases[] = {
        {u"07:30:00", 0, u"07:30:01", 0},  // the last digit
        {u"07:30:09", 0, u"07:31:10", 0},  // from the middle on
        {u"19:59:59", 0, u"20:00:00", 0},  // nothing shared
        {u"07:30:00", 0, u"07:30:00", 0},  // the same text
        {u"07:30:00", 0, u"07:30:00 PM", 0},
        {u"07:30:00 PM", 0, u"07:30:00", 0},
        {u"07:30:00", 0, u"07:30:01", 5},  // another origin
        {u"07:30:00", 0, u"", 0},
        {u"", 0, u"1", 0},
        {u"07:3\u0635", 0, u"07:30:00", 0},  // the line before could not be laid out
        {u"07:30:00", 0, u"07:3\u0635", 0},
    };
    const QColor ink(0x00, 0xFF, 0xFF);
    for (const Case& c : cases) {
        const QString before = QString::fromUtf16(c.before);
        const QString after = QString::fromUtf16(c.after);
        SCOPED_TRACE((before + QStringLiteral(" -> ") + after).toStdString());
        GlyphCache alone(ClockFont(), ink, 40.25);
        GlyphCache following(ClockFont(), ink, 40.25);
        following.Lay(before, c.beforeOrigin);
        const std::optional<GlyphCache::Line> expected = alone.Lay(after, c.afterOrigin);
        const std::optional<GlyphCache::Line> got = following.Lay(after, c.afterOrigin);
        ASSERT_EQ(got.has_value(), expected.has_value());
        if (!expected)
            continue;
        EXPECT_EQ(got->width64, expected->width64);
        ASSERT_EQ(got->glyphs.size(), expected->glyphs.size());
        for (std::size_t i = 0; i < expected->glyphs.size(); ++i) {
            EXPECT_EQ(got->glyphs[i].at, expected->glyphs[i].at) << i;
            EXPECT_TRUE(got->glyphs[i].image == expected->glyphs[i].image) << i;
        }
    }
}

}  // namespace
