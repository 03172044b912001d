#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// A window outline: a set of pixels held as rectangles in the banded form.
//
// Invariants (checked by CheckInvariants):
//  1. Rectangles are grouped in bands; all rectangles of a band share top and
//     bottom; bands do not overlap and are listed top to bottom.
//  2. Within a band, rectangles are listed left to right and neither overlap
//     nor touch.
//  3. Two bands that meet vertically never have the same list of spans.
//  4. Every rectangle is non-empty; the bounding rectangle is the smallest
//     one holding all rectangles, and all zero for the empty region.
// Because this form is unique for a set of pixels, two regions are equal
// exactly when their rectangle lists are equal.
class Region {
public:
    // left <= x < right, top <= y < bottom.
    struct Rect {
        int32_t left = 0;
        int32_t top = 0;
        int32_t right = 0;
        int32_t bottom = 0;

        bool IsEmpty() const { return left >= right || top >= bottom; }
        friend bool operator==(const Rect&, const Rect&) = default;
    };

    // A horizontal run [left, right) inside a band.
    struct Span {
        int32_t left = 0;
        int32_t right = 0;
        friend bool operator==(const Span&, const Span&) = default;
    };

    // Appends bands from top to bottom and keeps the result banded, merging a
    // band into the one above when they meet and have the same spans. This is
    // how regions are built in linear time from data that already arrives in
    // scan order.
    class Builder {
    public:
        // Spans must be sorted, non-empty, and neither overlap nor touch; the
        // band must not start above the bottom of the last one added and must
        // be non-empty. Violations throw std::invalid_argument. An empty span
        // list adds nothing.
        void AddBand(int32_t top, int32_t bottom, std::span<const Span> spans);
        Region Finish();

    private:
        std::vector<Rect> FRects;
        size_t FLastBandStart = 0;
    };

    Region() = default;
    explicit Region(const Rect& rect);

    // The union of rectangles given in any order; empty ones add nothing.
    static Region FromRects(std::span<const Rect> rects);

    Region United(const Region& other) const;
    Region& Unite(const Region& other) { return *this = United(other); }
    Region& Unite(const Rect& rect) { return Unite(Region(rect)); }

    bool Contains(int32_t x, int32_t y) const;
    bool IsEmpty() const { return FRects.empty(); }
    const Rect& Bounds() const { return FBounds; }
    const std::vector<Rect>& Rects() const { return FRects; }

    // Empty string when every invariant holds, otherwise what is broken.
    std::string CheckInvariants() const { return CheckCanonical(FRects, FBounds); }
    // The same check for any rectangle list with its claimed bounds.
    static std::string CheckCanonical(std::span<const Rect> rects, const Rect& bounds);

    friend bool operator==(const Region& a, const Region& b) { return a.FRects == b.FRects; }

private:
    std::vector<Rect> FRects;
    Rect FBounds;
};
