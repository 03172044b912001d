#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

#include <cstdint>
#include <memory>
#include <vector>

#include "app/GlyphCache.h"

class QImage;

// Where the clock label draws a new second without the framework's repaint:
// straight into its window on the display server, from pictures of the
// background and of the characters that the server holds. A new second then
// costs a few requests on the display connection rather than a repaint of
// the window's pixels and a copy of them to the server.
//
// What the surface puts on the screen is never in the framework's own copy
// of the window: the label asks the framework for a repaint whenever the
// window is exposed again (see TClockLabel).
class ClockSurface {
public:
    // The window and the label's place and size in it.
    struct Target {
        std::uintptr_t window = 0;
        QPoint at;
        QSize size;
        bool operator==(const Target&) const = default;
    };

    virtual ~ClockSurface() = default;

    // Whether a background is held for this target.
    virtual bool HasBackground(const Target& target) const = 0;
    // The window's pixels under the label without it, of the target's size.
    virtual bool SetBackground(const Target& target, const QImage& background) = 0;
    // The background within dirty (the label's coordinates) and the glyphs
    // over it, shown at once. False when nothing could be drawn: the label
    // then repaints as usual.
    virtual bool Draw(const Target& target, const QRect& dirty, const std::vector<GlyphCache::Placed>& glyphs) = 0;
    // Forgets the background: the window under the label may have changed.
    virtual void DropBackground() = 0;
    // Forgets the character pictures as well: their images are gone.
    virtual void DropAll() = 0;

    // The display server's surface, or null where the program is not on an
    // X display that can compose pictures.
    static std::unique_ptr<ClockSurface> ForDisplay();
};
