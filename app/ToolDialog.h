#pragma once

#include <QColor>
#include <QDialog>

#include <optional>

// A dialog in a sizeable tool-window frame that it draws itself: a raised
// border on every side and a thin caption bar with the title in a small bold
// font, with no caption-bar buttons. A window manager gives a tool window its
// own theme's buttons and caption bar whatever the window asks for, so the
// dialog asks for no decoration and looks and acts the same under every
// manager and on a bare X server. The caption bar moves the window and the
// border resizes it (by the window system where it can, by the dialog where
// not). Requests to maximise, minimise or go full screen are undone at once.
// Controls go on Client(), whose top-left is the client area's.
class TToolDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kBorder = 4;          // the sizeable frame, each side
    static constexpr int kCaptionHeight = 16;  // thin caption bar, below the top border

    explicit TToolDialog(QWidget* owner);

    QWidget* Client() const { return FClient; }
    // Sizes the window so that its client area is `size`, which becomes the
    // smallest the user can make it.
    void SetClientSize(QSize size);
    // The colour painted behind the client area's controls; none: the button face.
    void SetClientColour(const QColor& colour) { FClientColour = colour; }
    // The caption bar, in window coordinates.
    QRect CaptionRect() const { return QRect(kBorder, kBorder, width() - 2 * kBorder, kCaptionHeight); }

    // The window edges a point in window coordinates lies on (none inside the
    // caption bar and the client area); corners take in the caption bar's height.
    static Qt::Edges EdgesAt(QPoint point, QSize windowSize);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    // Where a move or resize by the dialog itself started: the press on the
    // screen, the window's geometry then, and the edges taken (none: a move).
    struct Drag {
        QPoint press;
        QRect start;
        Qt::Edges edges;
    };

    QWidget* FClient = nullptr;  // owned as a child
    QColor FClientColour;
    std::optional<Drag> FDrag;  // while the dialog moves or resizes itself
};
