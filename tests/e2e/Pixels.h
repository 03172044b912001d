#pragma once

#include <QImage>
#include <QRect>
#include <functional>

// Colour classes of screen pixels and what lies where in a screenshot.
// Anti-aliased edges blend into whatever is behind a text, so the classes
// take only pixels close to the pure colour.
namespace pixels {

using Class = std::function<bool(QRgb)>;

bool aqua(QRgb c);   // the clock's digits, #00FFFF
bool red(QRgb c);    // the armed indicator, #FF0000
bool white(QRgb c);  // the alarm and sound lines
bool black(QRgb c);  // text in dialogs and menus
// The selection's highlight in a text box: a strong blue, unlike the
// dialog's grey-blue, the darker blue of a focused box's frame or the
// clock's aqua.
bool highlight(QRgb c);

int count(const QImage& image, const QRect& area, const Class& cls);
// The smallest rectangle holding every pixel of the class inside the area
// (a null rectangle if there is none).
QRect inkBox(const QImage& image, const QRect& area, const Class& cls);
bool sameArea(const QImage& a, const QImage& b, const QRect& area);

// The box of a button's black caption: the pixels inside the button's face
// (its outline and rounded corners left out) clearly darker than the face
// itself, whatever colour the skin gives the face. A greyed caption, drawn
// lighter than the face, and a missing one give a null box.
QRect captionInk(const QImage& window, const QRect& control);
int captionInkCount(const QImage& window, const QRect& control);

}  // namespace pixels
