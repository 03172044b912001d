#pragma once

#include <QLabel>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "app/GlyphCache.h"

class ClockSurface;
class QPainter;
class QWindow;

// The label that shows the time. It sizes itself to its text as an
// auto-sized label does, and a new text repaints only from its first
// changed character on. Where every character is a simple one it draws
// them from images made once for its font and colour (see GlyphCache), so
// that a new second costs a few small image blends rather than a layout of
// the whole text; other texts, and a disabled label, are drawn by the
// framework as any label.
//
// Where the window is on an X display, a new second of the same size goes
// straight to the screen through a ClockSurface (pictures the server holds)
// instead of through the framework's repaint. The framework's own copy of
// the window then lags behind the screen; the label has it repaint itself
// before the window is exposed again.
//
// The label's size is fixed by SetTimeText: a text set through the base
// class's setText keeps the size and is drawn by the framework. Its font
// may change; its margins and indent are the defaults.
class TClockLabel : public QLabel {
    Q_OBJECT
public:
    explicit TClockLabel(QWidget* parent);
    ~TClockLabel() override;

    void SetTimeText(const QString& text);

    // Whether the text on show is drawn from the character images.
    bool DrawsFromCache() const;

    // The surface to draw new seconds on; by default the display's own,
    // made at the first new second. Null leaves every drawing to the
    // framework.
    void SetSurface(std::unique_ptr<ClockSurface> surface);
    // Paints what lies under the label at a place of its window (window
    // coordinates) with the painter's origin at the place's top-left, for
    // the surface's background. Unset, the label has the framework render
    // the widgets below it; a window that knows what lies there spares that
    // (rendering a window readies all its hidden children, pop-up menus
    // included).
    using UnderPainter = std::function<void(QPainter& painter, const QRect& place)>;
    void SetUnderneath(UnderPainter paint) { FUnderneath = std::move(paint); }
    // Whether the screen shows a text that the framework has not painted.
    bool ScreenAhead() const { return FScreenAhead; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The size an auto-sized label takes for the text.
    QSize FrameworkSize(const QString& text);
    void DropCache();
    qreal Baseline() const;
    // The label's size for a line, as learnt from the framework's sizes.
    QSize PredictedSize(const GlyphCache::Line& line) const;
    // Whether the framework's layout of the text has the line's advance and
    // the label the predicted size; a disagreement leaves the framework to
    // draw from then on.
    bool Agrees(const QString& text, const GlyphCache::Line& line, const QSize& frameworkSize);
    // Shows the change within dirty: on the surface when it can, else
    // through a repaint.
    void ShowChange(const QRect& dirty, const QRect& oldPlace);
    bool DrawOnSurface(const QRect& dirty);
    // The parent's part that a label of a new size no longer covers.
    void RepaintUncovered(const QRect& oldPlace);
    // Whether a widget above the label in its window overlaps the area (the
    // label's coordinates): the surface would draw over it.
    bool Covered(const QRect& area) const;
    // What the window shows at the place, the label left out.
    QImage Underneath(const QPoint& at, const QSize& size);

    // The first texts laid out from the cache are checked against the
    // framework's own layout and size before the cache is trusted alone.
    static constexpr int kChecks = 8;

    std::unique_ptr<QLabel> FMeasure;    // never shown; see FrameworkSize
    std::unique_ptr<GlyphCache> FCache;  // made for the label's height; dropped on a change of look
    int FCacheHeight = -1;
    // False once the cache laid a line out otherwise than the framework
    // (a font with contextual forms): from then on the framework draws.
    bool FCacheTrusted = true;
    int FChecksLeft = kChecks;
    // A line's label is its advance in whole pixels, rounded up, plus
    // FExtraWidth wide and FBoxHeight high (single-line plain text); a
    // height of 0 until learnt from the cache's first line.
    int FExtraWidth = 0;
    int FBoxHeight = 0;
    // The text whose character images are on show, and where they lie.
    QString FGlyphText;
    std::vector<GlyphCache::Placed> FGlyphs;
    bool FFromCache = false;

    std::unique_ptr<ClockSurface> FSurface;
    bool FSurfaceChosen = false;  // the default is made once, when first wanted
    bool FScreenAhead = false;
    QRect FAheadArea;             // where, in the parent's coordinates
    bool FCapturing = false;      // while Underneath renders the window
    QPointer<QWindow> FWatched;
    UnderPainter FUnderneath;   // the window whose exposure repaints the label
};
