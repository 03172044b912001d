#include "app/ClockLabel.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QTransform>

#include <algorithm>

constexpr int kAlignment = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;

TClockLabel::TClockLabel(QWidget* parent) : QWidget(parent)
{
    FStaticText.setTextFormat(Qt::PlainText);
    // The text is drawn from the left edge: a resize leaves what is on show
    // in place, and only the part a new text changes needs painting.
    setAttribute(Qt::WA_StaticContents);
}

QSize TClockLabel::sizeHint() const
{
    return fontMetrics().boundingRect(QRect(), kAlignment, FText).size();
}

void TClockLabel::SetTimeText(const QString& text)
{
    if (text == FText)
        return;
    const QFontMetrics metrics = fontMetrics();
    const qsizetype common =
        std::mismatch(FText.cbegin(), FText.cend(), text.cbegin(), text.cend()).first - FText.cbegin();
    // A glyph's ink may reach left of its origin and right of its advance: the
    // changed glyphs' bearings, old and new, widen the repaint so no old ink stays.
    int reachLeft = 0;
    int reachRight = 0;
    for (const QString* line : {static_cast<const QString*>(&FText), &text})
        for (qsizetype i = common; i < line->size(); ++i) {
            reachLeft = std::max(reachLeft, -metrics.leftBearing(line->at(i)));
            reachRight = std::max(reachRight, -metrics.rightBearing(line->at(i)));
        }
    const int left = std::max(0, metrics.horizontalAdvance(text.left(common)) - reachLeft);
    const int oldWidth = width();
    FText = text;
    FStaticText.setText(text);
    resize(sizeHint());
    update(left, 0, std::max(oldWidth, width()) + reachRight - left, height());
}

void TClockLabel::paintEvent(QPaintEvent*)
{
    // The text is laid out once for each new text, not at every paint.
    QPainter painter(this);
    painter.setPen(palette().color(foregroundRole()));
    painter.drawStaticText(0, 0, FStaticText);
}

void TClockLabel::changeEvent(QEvent* event)
{
    // A new font or palette changes the whole text's look and its size.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::PaletteChange) {
        FStaticText.prepare(QTransform(), font());
        resize(sizeHint());
        update();
    }
    QWidget::changeEvent(event);
}
