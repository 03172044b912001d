#include "app/ClockLabel.h"

#include <QEvent>
#include <QImage>
#include <QWindow>
#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <exception>
#include <optional>

#include "app/ClockSurface.h"

TClockLabel::TClockLabel(QWidget* parent) : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

TClockLabel::~TClockLabel()
{
    if (FWatched)
        FWatched->removeEventFilter(this);
}

void TClockLabel::SetSurface(std::unique_ptr<ClockSurface> surface)
{
    FSurface = std::move(surface);
    FSurfaceChosen = true;
}

bool TClockLabel::DrawsFromCache() const
{
    return FFromCache && FGlyphText == text();
}

qreal TClockLabel::Baseline() const
{
    // A single line of plain text, centred from top to bottom in the
    // contents as the framework lays it out: the line's leading above it.
    const QFontMetricsF metrics(font());
    const QRect contents = contentsRect();
    const qreal leading = metrics.leading();
    const qreal lineHeight = leading + metrics.ascent() + metrics.descent();
    return contents.top() + (contents.height() - lineHeight) / 2 + leading + metrics.ascent();
}

namespace {

int CeilPixels(std::int64_t value64)
{
    return static_cast<int>(value64 >= 0 ? (value64 + 63) / 64 : -(-value64 / 64));
}

}  // namespace

QSize TClockLabel::PredictedSize(const GlyphCache::Line& line) const
{
    return QSize(CeilPixels(line.width64) + FExtraWidth, FBoxHeight);
}

bool TClockLabel::Agrees(const QString& text, const GlyphCache::Line& line, const QSize& frameworkSize)
{
    if (FBoxHeight == 0) {
        // The first line of this cache: the label's size for a line is
        // learnt from it.
        FExtraWidth = frameworkSize.width() - CeilPixels(line.width64);
        FBoxHeight = frameworkSize.height();
    }
    const std::int64_t frameworkWidth = std::llround(QFontMetricsF(font()).horizontalAdvance(text) * 64.0);
    if (frameworkWidth != line.width64 || frameworkSize != PredictedSize(line)) {
        FCacheTrusted = false;
        return false;
    }
    if (FChecksLeft > 0 && --FChecksLeft == 0)
        FMeasure.reset();  // only measures again for texts the cache cannot lay out
    return true;
}

QSize TClockLabel::FrameworkSize(const QString& text)
{
    // This label's size is fixed, and a label's size hint never falls below
    // its minimum size: a hidden label of the same look measures instead.
    if (!FMeasure) {
        FMeasure = std::make_unique<QLabel>();
        FMeasure->setTextFormat(Qt::PlainText);
        FMeasure->setFont(font());
        FMeasure->setAlignment(alignment());
        FMeasure->setMargin(margin());
        FMeasure->setIndent(indent());
        FMeasure->setContentsMargins(contentsMargins());
    }
    FMeasure->setText(text);
    return FMeasure->sizeHint();
}

void TClockLabel::DropCache()
{
    if (FSurface)
        FSurface->DropAll();
    FMeasure.reset();
    FCache.reset();
    FCacheHeight = -1;
    FCacheTrusted = true;
    FChecksLeft = kChecks;
    FBoxHeight = 0;
    FGlyphs.clear();
    FGlyphText.clear();
    FFromCache = false;
}

void TClockLabel::SetTimeText(const QString& newText)
{
    const QString old = text();
    const QSize oldSize = size();
    const QRect oldPlace = geometry();
    const bool oldFromCache = DrawsFromCache();
    const std::vector<GlyphCache::Placed> oldGlyphs = std::move(FGlyphs);
    FGlyphs.clear();

    // Qt repaints the whole label for a new text and, for a new size, the
    // part of the parent it uncovers: updates of both stay off while text
    // and size are set, and the changed part is asked for below (or drawn
    // on the surface, which the framework then need not repaint at all).
    QWidget* parent = parentWidget();
    const bool holdParent = parent && !parent->testAttribute(Qt::WA_UpdatesDisabled);
    if (holdParent)
        parent->setAttribute(Qt::WA_UpdatesDisabled, true);
    setAttribute(Qt::WA_UpdatesDisabled, true);
    QLabel::setText(newText);

    std::optional<GlyphCache::Line> line;
    if (FCacheTrusted && isEnabled() && FCache && FCacheHeight == height())
        line = FCache->Lay(newText, contentsRect().left());
    QSize newSize;
    if (line && FChecksLeft == 0) {
        newSize = PredictedSize(*line);
    } else {
        newSize = FrameworkSize(newText);
        if (line && !Agrees(newText, *line, newSize))
            line.reset();
    }
    // A fixed size: a new text of the same size then asks no new layout of
    // the window.
    if (newSize != size() || minimumSize() != maximumSize())
        setFixedSize(newSize);

    if (!line && FCacheTrusted && isEnabled() && (!FCache || FCacheHeight != height())) {
        // The first text, or a new height: character images for this one.
        FCache = std::make_unique<GlyphCache>(font(), palette().color(foregroundRole()), Baseline());
        FCacheHeight = height();
        FChecksLeft = kChecks;
        FBoxHeight = 0;
        // A clock's characters: made ready now, while the program starts,
        // rather than one by one as new digits come up over the day.
        FCache->Prepare(newText + QStringLiteral("0123456789"));
        line = FCache->Lay(newText, contentsRect().left());
        if (line && !Agrees(newText, *line, newSize))
            line.reset();
    }
    FFromCache = line.has_value();
    if (line) {
        FGlyphs = std::move(line->glyphs);
        FGlyphText = newText;
    } else {
        FGlyphText.clear();
    }
    setAttribute(Qt::WA_UpdatesDisabled, false);
    if (holdParent)
        parent->setAttribute(Qt::WA_UpdatesDisabled, false);

    qsizetype same = 0;
    while (same < old.size() && same < newText.size() && old[same] == newText[same])
        ++same;
    // A text drawn the other way than the one before is drawn whole: the
    // two ways blend the edges of the ink a few shades apart.
    if (same == 0 || height() != oldSize.height() || FFromCache != oldFromCache) {
        RepaintUncovered(oldPlace);
        update();
        return;
    }
    int left = std::min(width(), oldSize.width());
    if (FFromCache) {
        // From the leftmost ink of any character, old or new, from the
        // first changed one on: ink may reach left of its character's place.
        const auto leftmost = [&](const std::vector<GlyphCache::Placed>& glyphs) {
            for (std::size_t i = static_cast<std::size_t>(same); i < glyphs.size(); ++i)
                if (!glyphs[i].image.isNull())
                    left = std::min(left, glyphs[i].at.x());
        };
        leftmost(oldGlyphs);
        leftmost(FGlyphs);
    } else {
        // Where the first changed character starts, less a margin for glyphs
        // that reach left of their place and for kerning with the one before.
        const QFontMetrics metrics = fontMetrics();
        left = contentsRect().left() + metrics.horizontalAdvance(newText, static_cast<int>(same)) -
               metrics.averageCharWidth();
    }
    left = std::max(0, left);
    ShowChange(QRect(left, 0, std::max(width(), oldSize.width()) - left, height()), oldPlace);
}

void TClockLabel::ShowChange(const QRect& dirty, const QRect& oldPlace)
{
    // The dirty part may reach past the label, over what a smaller label
    // uncovered: the surface's background reaches to the window's edge.
    if (FFromCache && DrawOnSurface(dirty))
        return;
    RepaintUncovered(oldPlace);
    update(dirty);
}

void TClockLabel::RepaintUncovered(const QRect& oldPlace)
{
    if (QWidget* parent = parentWidget(); parent && oldPlace != geometry())
        parent->update(QRegion(oldPlace).subtracted(geometry()));
}

bool TClockLabel::Covered(const QRect& area) const
{
    for (const QWidget* w = this; !w->isWindow(); w = w->parentWidget()) {
        const QWidget* parent = w->parentWidget();
        if (!parent)
            return false;
        const QObjectList& siblings = parent->children();
        const QRect place = w == this ? area.translated(pos()) : w->geometry();
        bool above = false;
        for (const QObject* sibling : siblings) {
            if (sibling == w) {
                above = true;
                continue;
            }
            if (!above || !sibling->isWidgetType())
                continue;
            const auto* widget = static_cast<const QWidget*>(sibling);
            if (!widget->isWindow() && widget->isVisible() && widget->geometry().intersects(place))
                return true;
        }
    }
    return false;
}

QImage TClockLabel::Underneath(const QPoint& at, const QSize& size)
{
    QWidget* top = window();
    QImage image(size, QImage::Format_RGB32);
    image.fill(top->palette().brush(top->backgroundRole()).color());
    const QRect place(at, size);
    if (FUnderneath) {
        QPainter painter(&image);
        FUnderneath(painter, place);
        return image;
    }
    // The label paints nothing while it is rendered, also should a paint throw.
    struct Capturing {
        bool& flag;
        explicit Capturing(bool& f) : flag(f) { flag = true; }
        ~Capturing() { flag = false; }
    } capturing(FCapturing);
    if (parentWidget() != top) {
        top->render(&image, QPoint(), QRegion(place), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    } else {
        // Each widget below the label, and the window's own painting where
        // none of them covers the place, not the whole window: rendering a
        // window readies all its hidden children too (the pop-up menus lay
        // out, and load their fonts, for nothing). Widgets above the label
        // are never drawn over (see Covered).
        std::vector<QWidget*> below;
        bool covered = false;
        for (QObject* child : top->children()) {
            if (child == this)
                break;
            if (!child->isWidgetType())
                continue;
            auto* widget = static_cast<QWidget*>(child);
            if (widget->isWindow() || !widget->isVisible() || !widget->geometry().intersects(place))
                continue;
            below.push_back(widget);
            covered = covered || widget->geometry().contains(place);
        }
        if (!covered)
            top->render(&image, QPoint(), QRegion(place), QWidget::DrawWindowBackground);
        for (QWidget* widget : below) {
            const QRect part = place & widget->geometry();
            widget->render(&image, part.topLeft() - at, QRegion(part.translated(-widget->pos())),
                           QWidget::DrawWindowBackground | QWidget::DrawChildren);
        }
    }
    return image;
}

bool TClockLabel::DrawOnSurface(const QRect& dirty)
{
    QWidget* top = window();
    QWindow* handle = top->windowHandle();
    if (!handle || !handle->isExposed() || !isVisible() || !updatesEnabled() || top->devicePixelRatioF() != 1.0)
        return false;
    if (!FSurfaceChosen) {
        FSurfaceChosen = true;
        FSurface = ClockSurface::ForDisplay();
    }
    if (!FSurface || Covered(dirty))
        return false;
    if (FWatched != handle) {
        if (FWatched)
            FWatched->removeEventFilter(this);
        FWatched = handle;
        handle->installEventFilter(this);
    }
    ClockSurface::Target target;
    target.window = static_cast<std::uintptr_t>(top->winId());
    target.at = mapTo(top, QPoint(0, 0));
    // From the label to the window's right edge, so that a label that gets
    // narrower restores what it uncovers.
    target.size = QSize(std::max(width(), top->width() - target.at.x()), height());
    if (!FSurface->HasBackground(target)) {
        QImage background;
        try {
            background = Underneath(target.at, target.size);
        } catch (const std::exception&) {
            // What lies under the label cannot be painted now: the framework
            // paints this second, and reports it.
            return false;
        }
        if (!FSurface->SetBackground(target, background))
            return false;
    }
    if (!FSurface->Draw(target, dirty, FGlyphs))
        return false;
    FScreenAhead = true;
    FAheadArea |= dirty.translated(pos());
    return true;
}

bool TClockLabel::eventFilter(QObject* watched, QEvent* event)
{
    // The framework shows an exposed window from its own copy, which lacks
    // what the surface drew: the label is painted into it first.
    if (watched == FWatched && event->type() == QEvent::Expose && FScreenAhead) {
        if (QWidget* parent = parentWidget())
            parent->update(FAheadArea);
        else
            update();
        FScreenAhead = false;
        FAheadArea = QRect();
    }
    return QLabel::eventFilter(watched, event);
}

void TClockLabel::paintEvent(QPaintEvent* event)
{
    if (FCapturing)
        return;
    // The framework paints the label only with what lies under it: that
    // may have changed, so the surface's copy of it goes.
    if (FSurface)
        FSurface->DropBackground();
    if (!DrawsFromCache()) {
        QLabel::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QRect dirty = event->rect();
    for (const GlyphCache::Placed& glyph : FGlyphs)
        if (!glyph.image.isNull() && glyph.Ink().intersects(dirty))
            painter.drawImage(glyph.at, glyph.image);
}

void TClockLabel::changeEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::FontChange:
    case QEvent::PaletteChange:
    case QEvent::StyleChange:
    case QEvent::EnabledChange:
    case QEvent::LayoutDirectionChange:
        DropCache();
        break;
    default:
        break;
    }
    QLabel::changeEvent(event);
}
