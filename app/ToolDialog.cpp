#include "app/ToolDialog.h"

#include <QMouseEvent>
#include <QPainter>
#include <QTimer>
#include <QWindow>

#include "app/DesignFont.h"

namespace {

// The corners of the sizeable frame reach this far along each side.
constexpr int kCornerReach = TToolDialog::kBorder + TToolDialog::kCaptionHeight;

Qt::CursorShape CursorFor(Qt::Edges edges)
{
    if (edges == (Qt::TopEdge | Qt::LeftEdge) || edges == (Qt::BottomEdge | Qt::RightEdge))
        return Qt::SizeFDiagCursor;
    if (edges == (Qt::TopEdge | Qt::RightEdge) || edges == (Qt::BottomEdge | Qt::LeftEdge))
        return Qt::SizeBDiagCursor;
    if (edges & (Qt::LeftEdge | Qt::RightEdge))
        return Qt::SizeHorCursor;
    if (edges & (Qt::TopEdge | Qt::BottomEdge))
        return Qt::SizeVerCursor;
    return Qt::ArrowCursor;
}

constexpr Qt::WindowStates kRefusedStates = Qt::WindowMaximized | Qt::WindowMinimized | Qt::WindowFullScreen;

}  // namespace

TToolDialog::TToolDialog(QWidget* owner) : QDialog(owner, Qt::Tool | Qt::FramelessWindowHint)
{
    FClient = new QWidget(this);
    FClient->move(kBorder, kBorder + kCaptionHeight);
    setMouseTracking(true);  // the border's cursor follows the pointer
}

void TToolDialog::SetClientSize(QSize size)
{
    const QSize window = size + QSize(2 * kBorder, 2 * kBorder + kCaptionHeight);
    setMinimumSize(window);
    resize(window);
    FClient->resize(size);  // a hidden window hears of its new size only when shown
}

Qt::Edges TToolDialog::EdgesAt(QPoint point, QSize windowSize)
{
    const int w = windowSize.width();
    const int h = windowSize.height();
    const bool onFrame =
        point.x() < kBorder || point.x() >= w - kBorder || point.y() < kBorder || point.y() >= h - kBorder;
    if (!QRect(QPoint(), windowSize).contains(point) || !onFrame)
        return {};
    // On the frame, every side within a corner's reach moves: along a side,
    // that side alone; near a corner, both of its sides.
    Qt::Edges edges;
    if (point.x() < kCornerReach)
        edges |= Qt::LeftEdge;
    if (point.x() >= w - kCornerReach)
        edges |= Qt::RightEdge;
    if (point.y() < kCornerReach)
        edges |= Qt::TopEdge;
    if (point.y() >= h - kCornerReach)
        edges |= Qt::BottomEdge;
    return edges;
}

void TToolDialog::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QPalette& colours = palette();
    const QRect outer = rect();
    painter.fillRect(outer, colours.color(QPalette::Window));
    // A raised edge two pixels deep (light and lighter above and left, shadow
    // and darker below and right) around the button face.
    auto edge = [&](const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
        painter.setPen(topLeft);
        painter.drawLine(r.topLeft(), r.topRight());
        painter.drawLine(r.topLeft(), r.bottomLeft());
        painter.setPen(bottomRight);
        painter.drawLine(r.bottomLeft(), r.bottomRight());
        painter.drawLine(r.topRight(), r.bottomRight());
    };
    painter.fillRect(outer.adjusted(2, 2, -2, -2), colours.color(QPalette::Button));
    edge(outer, colours.color(QPalette::Light), colours.color(QPalette::Shadow));
    edge(outer.adjusted(1, 1, -1, -1), colours.color(QPalette::Midlight), colours.color(QPalette::Dark));

    if (FClientColour.isValid())
        painter.fillRect(FClient->geometry(), FClientColour);

    const QRect caption = CaptionRect().adjusted(0, 0, 0, -1);  // a line of face below it
    const bool active = isActiveWindow();
    painter.fillRect(caption, colours.color(active ? QPalette::Active : QPalette::Inactive, QPalette::Highlight));
    painter.setPen(colours.color(active ? QPalette::Active : QPalette::Inactive, QPalette::HighlightedText));
    painter.setFont(DesignFont("MS Sans Serif", 11, true));
    painter.drawText(caption.adjusted(2, 0, -2, 0), Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                     windowTitle());
}

void TToolDialog::mousePressEvent(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    const Qt::Edges edges = EdgesAt(at, size());
    if (event->button() != Qt::LeftButton || (!edges && !CaptionRect().contains(at))) {
        QDialog::mousePressEvent(event);
        return;
    }
    QWindow* window = windowHandle();
    const bool system = window != nullptr && (edges ? window->startSystemResize(edges) : window->startSystemMove());
    if (!system)
        FDrag = Drag{event->globalPosition().toPoint(), geometry(), edges};
}

void TToolDialog::mouseMoveEvent(QMouseEvent* event)
{
    if (!FDrag) {
        setCursor(CursorFor(EdgesAt(event->position().toPoint(), size())));
        QDialog::mouseMoveEvent(event);
        return;
    }
    const QPoint delta = event->globalPosition().toPoint() - FDrag->press;
    if (!FDrag->edges) {
        move(FDrag->start.topLeft() + delta);
        return;
    }
    QRect target = FDrag->start;
    const QSize least = minimumSize();
    if (FDrag->edges & Qt::LeftEdge)
        target.setLeft(std::min(target.left() + delta.x(), target.right() + 1 - least.width()));
    if (FDrag->edges & Qt::RightEdge)
        target.setRight(std::max(target.right() + delta.x(), target.left() + least.width() - 1));
    if (FDrag->edges & Qt::TopEdge)
        target.setTop(std::min(target.top() + delta.y(), target.bottom() + 1 - least.height()));
    if (FDrag->edges & Qt::BottomEdge)
        target.setBottom(std::max(target.bottom() + delta.y(), target.top() + least.height() - 1));
    setGeometry(target);
}

void TToolDialog::mouseReleaseEvent(QMouseEvent* event)
{
    if (FDrag && event->button() == Qt::LeftButton) {
        FDrag.reset();
        return;
    }
    QDialog::mouseReleaseEvent(event);
}

void TToolDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    FClient->resize(width() - 2 * kBorder, height() - 2 * kBorder - kCaptionHeight);
}

void TToolDialog::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    if (event->type() == QEvent::ActivationChange)
        update(CaptionRect());
    if (event->type() == QEvent::WindowStateChange && (windowState() & kRefusedStates)) {
        // Undone once the change has been handled; the window keeps its place and size.
        QTimer::singleShot(0, this, [this] {
            if (windowState() & kRefusedStates)
                setWindowState(windowState() & ~kRefusedStates);
            if (!isVisible())
                show();
        });
    }
}
