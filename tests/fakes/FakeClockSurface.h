#pragma once

#include <QImage>
#include <QPainter>

#include <memory>
#include <vector>

#include "app/ClockSurface.h"

// A stand-in for the display server's clock surface: it composes what it is
// given into a picture of the window, as the server would, so that a test
// can compare that picture with the framework's own drawing. The test keeps
// the shared state (the label owns the surface) and decides whether the
// surface fails.
class FakeClockSurface : public ClockSurface {
public:
    struct State {
        QImage screen;  // the window as the server would show it; made at the first background
        int backgrounds = 0;
        std::vector<QRect> draws;  // each dirty area, in the label's coordinates
        bool failBackground = false;
        bool failDraw = false;
        int dropsOfAll = 0;
    };

    explicit FakeClockSurface(std::shared_ptr<State> state) : FState(std::move(state)) {}

    bool HasBackground(const Target& target) const override { return FHas && FTarget == target; }

    bool SetBackground(const Target& target, const QImage& background) override
    {
        FHas = false;
        if (FState->failBackground || background.size() != target.size)
            return false;
        ++FState->backgrounds;
        FBackground = background.convertToFormat(QImage::Format_RGB32);
        FTarget = target;
        FHas = true;
        return true;
    }

    bool Draw(const Target& target, const QRect& dirty, const std::vector<GlyphCache::Placed>& glyphs) override
    {
        if (FState->failDraw || !HasBackground(target))
            return false;
        FState->draws.push_back(dirty);
        QImage scratch = FBackground;
        {
            QPainter painter(&scratch);
            for (const GlyphCache::Placed& glyph : glyphs)
                if (!glyph.image.isNull())
                    painter.drawImage(glyph.at, glyph.image);
        }
        if (FState->screen.isNull())
            return true;
        QPainter painter(&FState->screen);
        const QRect area = dirty & QRect(QPoint(0, 0), target.size);
        painter.drawImage(area.topLeft() + target.at, scratch, area);
        return true;
    }

    void DropBackground() override { FHas = false; }
    void DropAll() override
    {
        ++FState->dropsOfAll;
        FHas = false;
    }

private:
    std::shared_ptr<State> FState;
    QImage FBackground;
    Target FTarget;
    bool FHas = false;
};
