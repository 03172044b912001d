#pragma once

#include <QRect>
#include <QWidget>

#include <vector>

// The dotted frame on the screen during a drag: a frameless, always-on-top
// window that takes no input and shows only the frame's dots (its shape is
// the dots, so whatever lies below shows between them).
//
// Inverting works like drawing with XOR: a dot is shown when an odd number
// of the inverted outlines cover it, so inverting the same outline again
// takes it away, and the window hides when nothing is left.
class TfcFocusFrameOverlay : public QWidget {
    Q_OBJECT
public:
    TfcFocusFrameOverlay();

    // Inverts the dotted one-pixel outline of a screen rectangle.
    void Invert(const QRect& rect);

    // Dots lie where x + y is even; their colour alternates between white
    // and black along the outline, so they show on any background.
    static bool IsDot(int x, int y) { return ((x + y) & 1) == 0; }
    static QRgb DotColour(int x, int y) { return (((x + y) >> 1) & 1) == 0 ? 0xFFFFFFFFu : 0xFF000000u; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Reshape();

    std::vector<QRect> FOutlines;  // inverted an odd number of times
};
