#include "skin/Region.h"

#include <algorithm>
#include <limits>
#include <stdexcept>
#include <utility>

namespace {

using Rect = Region::Rect;
using Span = Region::Span;

// Whether two rectangles (or a span and a rectangle) cover the same columns.
constexpr auto kSameColumns = [](const auto& p, const auto& q) { return p.left == q.left && p.right == q.right; };

// One band of a region: rects[begin, end) share top and bottom.
struct BandCursor {
    std::span<const Rect> rects;
    size_t begin = 0;
    size_t end = 0;

    explicit BandCursor(std::span<const Rect> r) : rects(r) { Next(); }

    bool Done() const { return begin >= rects.size(); }
    int64_t Top() const { return Done() ? std::numeric_limits<int64_t>::max() : rects[begin].top; }
    int64_t Bottom() const { return rects[begin].bottom; }
    std::span<const Rect> Band() const { return rects.subspan(begin, end - begin); }
    // Moves on to the next band (to the first one at the start).
    void Next()
    {
        begin = end;
        while (end < rects.size() && rects[end].top == rects[begin].top)
            ++end;
    }
};

// The bounding rectangle of rectangles in bands from top to bottom: only
// left and right need a search.
Rect BandedBounds(std::span<const Rect> rects)
{
    if (rects.empty())
        return {};
    return {std::ranges::min(rects, {}, &Rect::left).left, rects.front().top,
            std::ranges::max(rects, {}, &Rect::right).right, rects.back().bottom};
}

// Merges the spans of up to two bands into sorted, non-touching spans.
void UniteSpans(std::span<const Rect> a, std::span<const Rect> b, std::vector<Span>& out)
{
    out.clear();
    auto ia = a.begin();
    auto ib = b.begin();
    while (ia != a.end() || ib != b.end()) {
        const Rect& r = ib == b.end() || (ia != a.end() && ia->left <= ib->left) ? *ia++ : *ib++;
        if (!out.empty() && r.left <= out.back().right)
            out.back().right = std::max(out.back().right, r.right);
        else
            out.push_back({r.left, r.right});
    }
}

}  // namespace

void Region::Builder::AddBand(int32_t top, int32_t bottom, std::span<const Span> spans)
{
    if (spans.empty())
        return;
    if (top >= bottom)
        throw std::invalid_argument("region band has no height");
    if (!FRects.empty() && top < FRects[FLastBandStart].bottom)
        throw std::invalid_argument("region bands out of order");
    for (size_t i = 0; i < spans.size(); ++i) {
        if (spans[i].left >= spans[i].right)
            throw std::invalid_argument("empty span in region band");
        if (i > 0 && spans[i].left <= spans[i - 1].right)
            throw std::invalid_argument("region spans overlap or touch");
    }

    const std::span<Rect> last = std::span(FRects).subspan(FLastBandStart);
    if (!last.empty() && last.front().bottom == top && std::ranges::equal(spans, last, kSameColumns)) {
        for (Rect& r : last)
            r.bottom = bottom;
        return;
    }
    FLastBandStart = FRects.size();
    for (const Span& s : spans)
        FRects.push_back({s.left, top, s.right, bottom});
}

Region Region::Builder::Finish()
{
    Region region;
    region.FRects = std::exchange(FRects, {});
    region.FBounds = BandedBounds(region.FRects);
    FLastBandStart = 0;
    return region;
}

Region::Region(const Rect& rect)
{
    if (!rect.IsEmpty()) {
        FRects.push_back(rect);
        FBounds = rect;
    }
}

Region Region::FromRects(std::span<const Rect> rects)
{
    std::vector<Region> level;
    level.reserve(rects.size());
    for (const Rect& r : rects)
        if (!r.IsEmpty())
            level.emplace_back(r);
    if (level.empty())
        return Region();
    // Pairwise unions keep each rectangle in O(log n) unions instead of one
    // ever-growing accumulator.
    while (level.size() > 1) {
        std::vector<Region> next;
        next.reserve((level.size() + 1) / 2);
        for (size_t i = 0; i + 1 < level.size(); i += 2)
            next.push_back(level[i].United(level[i + 1]));
        if (level.size() % 2 == 1)
            next.push_back(std::move(level.back()));
        level = std::move(next);
    }
    return std::move(level.front());
}

Region Region::United(const Region& other) const
{
    if (other.IsEmpty())
        return *this;
    if (IsEmpty())
        return other;

    Builder builder;
    std::vector<Span> spans;
    BandCursor a(FRects);
    BandCursor b(other.FRects);
    int64_t y = std::min(a.Top(), b.Top());
    while (!a.Done() || !b.Done()) {
        const bool aActive = !a.Done() && a.Top() <= y;
        const bool bActive = !b.Done() && b.Top() <= y;
        if (!aActive && !bActive) {
            y = std::min(a.Top(), b.Top());
            continue;
        }
        // The slice [y, yEnd) has constant spans in both regions.
        const int64_t yEnd = std::min(aActive ? a.Bottom() : a.Top(), bActive ? b.Bottom() : b.Top());
        UniteSpans(aActive ? a.Band() : std::span<const Rect>(), bActive ? b.Band() : std::span<const Rect>(), spans);
        builder.AddBand(static_cast<int32_t>(y), static_cast<int32_t>(yEnd), spans);

        y = yEnd;
        if (aActive && a.Bottom() == yEnd)
            a.Next();
        if (bActive && b.Bottom() == yEnd)
            b.Next();
    }
    return builder.Finish();
}

bool Region::Contains(int32_t x, int32_t y) const
{
    if (IsEmpty() || x < FBounds.left || x >= FBounds.right || y < FBounds.top || y >= FBounds.bottom)
        return false;
    // Bottoms never decrease along the list, and tops never decrease either.
    auto bandBegin = std::partition_point(FRects.begin(), FRects.end(), [y](const Rect& r) { return r.bottom <= y; });
    if (bandBegin == FRects.end() || bandBegin->top > y)
        return false;
    auto bandEnd = std::partition_point(bandBegin, FRects.end(), [y](const Rect& r) { return r.top <= y; });
    auto hit = std::partition_point(bandBegin, bandEnd, [x](const Rect& r) { return r.right <= x; });
    return hit != bandEnd && hit->left <= x;
}

std::string Region::CheckCanonical(std::span<const Rect> rects, const Rect& bounds)
{
    if (rects.empty())
        return bounds == Rect{} ? std::string() : "empty region with a bounding rectangle";

    std::span<const Rect> above;
    for (BandCursor band(rects); !band.Done(); band.Next()) {
        for (size_t i = band.begin; i < band.end; ++i) {
            const Rect& r = rects[i];
            if (r.IsEmpty())
                return "empty rectangle at " + std::to_string(i);
            if (r.bottom != rects[band.begin].bottom)
                return "band with uneven bottoms at " + std::to_string(i);
            if (i > band.begin && r.left <= rects[i - 1].right)
                return "rectangles overlap, touch or are unsorted at " + std::to_string(i);
        }
        if (!above.empty() && band.Top() < above.front().bottom)
            return "bands overlap or are unsorted at " + std::to_string(band.begin);
        if (!above.empty() && band.Top() == above.front().bottom &&
            std::ranges::equal(band.Band(), above, kSameColumns))
            return "unmerged identical bands at " + std::to_string(band.begin);
        above = band.Band();
    }
    // The bands are in order now, so the banded bounds are the true ones.
    if (!(BandedBounds(rects) == bounds))
        return "wrong bounding rectangle";
    return {};
}
