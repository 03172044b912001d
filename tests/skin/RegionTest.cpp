#include <gtest/gtest.h>

#include <QRegion>
#include <cstdint>
#include <optional>
#include <algorithm>
#include <random>
#include <set>
#include <vector>

#include "skin/Region.h"
#include "skin/RegionQt.h"

namespace {

using Rect = Region::Rect;
using Rects = std::vector<Rect>;

struct UnionCase {
    const char* name;
    Rects input;
    Rects expected;
};

void PrintTo(const UnionCase& c, std::ostream* os)
{
    *os << c.name;
}

class RegionUnionTest : public testing::TestWithParam<UnionCase> {};

TEST_P(RegionUnionTest, GivesTheCanonicalRectangles)
{
    const UnionCase& c = GetParam();
    Region region;
    for (const Rect& r : c.input) {
        region.Unite(r);
        ASSERT_EQ(region.CheckInvariants(), "");
    }
    EXPECT_EQ(region.Rects(), c.expected);
    EXPECT_EQ(Region::FromRects(c.input), region);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegionUnionTest,
    testing::Values(
        UnionCase{"Nothing", {}, {}},
        UnionCase{"EmptyRectanglesAddNothing", {{0, 0, 0, 5}, {3, 3, 3, 3}, {5, 5, 4, 9}}, {}},
        UnionCase{"TouchingSideBySide", {{0, 0, 5, 10}, {5, 0, 9, 10}}, {{0, 0, 9, 10}}},
        UnionCase{"IdenticalRowsOneUnderTheOther", {{1, 0, 4, 1}, {1, 1, 4, 2}, {1, 2, 4, 3}}, {{1, 0, 4, 3}}},
        UnionCase{"GapKeepsTwoRects", {{0, 0, 2, 1}, {3, 0, 5, 1}}, {{0, 0, 2, 1}, {3, 0, 5, 1}}},
        UnionCase{"ContainedAddsNothing", {{0, 0, 10, 10}, {2, 2, 4, 4}}, {{0, 0, 10, 10}}},
        UnionCase{"OverlapSplitsIntoBands", {{0, 0, 4, 4}, {2, 2, 6, 6}}, {{0, 0, 4, 2}, {0, 2, 6, 4}, {2, 4, 6, 6}}},
        UnionCase{"PlusSign", {{1, 0, 2, 3}, {0, 1, 3, 2}}, {{1, 0, 2, 1}, {0, 1, 3, 2}, {1, 2, 2, 3}}},
        UnionCase{"RowsInReverseOrderMerge", {{0, 2, 3, 3}, {0, 1, 3, 2}, {0, 0, 3, 1}}, {{0, 0, 3, 3}}},
        UnionCase{"BridgeJoinsTwoSpans", {{0, 0, 2, 1}, {4, 0, 6, 1}, {1, 0, 5, 1}}, {{0, 0, 6, 1}}},
        UnionCase{"NegativeCoordinates", {{-5, -5, -1, -1}, {-1, -5, 2, -1}}, {{-5, -5, 2, -1}}},
        UnionCase{"BandsMergeAfterGapFilled", {{0, 0, 1, 1}, {0, 2, 1, 3}, {0, 1, 1, 2}}, {{0, 0, 1, 3}}}),
    [](const testing::TestParamInfo<UnionCase>& info) { return std::string(info.param.name); });

TEST(RegionTest, BoundsAndContainsOfAShape)
{
    const Region r = Region::FromRects(Rects{{0, 0, 4, 2}, {6, 0, 8, 2}, {2, 2, 10, 5}});
    EXPECT_EQ(r.Bounds(), (Rect{0, 0, 10, 5}));
    EXPECT_TRUE(r.Contains(0, 0));
    EXPECT_TRUE(r.Contains(7, 1));
    EXPECT_FALSE(r.Contains(5, 1));
    EXPECT_FALSE(r.Contains(4, 0));  // right edge is exclusive
    EXPECT_FALSE(r.Contains(3, 5));  // bottom edge is exclusive
    EXPECT_FALSE(r.Contains(1, 3));
    EXPECT_TRUE(r.Contains(9, 4));
    EXPECT_FALSE(Region().Contains(0, 0));
    EXPECT_TRUE(Region().IsEmpty());
    EXPECT_EQ(Region().Bounds(), Rect{});
}

TEST(RegionTest, BuilderRejectsBandsThatWouldBreakTheForm)
{
    Region::Builder b;
    const std::vector<Region::Span> ok{{0, 2}, {4, 6}};
    b.AddBand(0, 2, ok);
    EXPECT_THROW(b.AddBand(1, 3, ok), std::invalid_argument);  // overlaps the band above
    const std::vector<Region::Span> touching{{0, 2}, {2, 3}};
    EXPECT_THROW(b.AddBand(2, 3, touching), std::invalid_argument);
    const std::vector<Region::Span> unsorted{{4, 6}, {0, 2}};
    EXPECT_THROW(b.AddBand(2, 3, unsorted), std::invalid_argument);
    EXPECT_THROW(b.AddBand(3, 3, ok), std::invalid_argument);
    b.AddBand(2, 4, ok);  // same spans, touching: merges
    const Region r = b.Finish();
    EXPECT_EQ(r.Rects(), (Rects{{0, 0, 2, 4}, {4, 0, 6, 4}}));
    EXPECT_EQ(r.CheckInvariants(), "");
}

// A per-pixel model of a region over a small window of the plane.
class PixelSet {
public:
    static constexpr int kMin = -4;
    static constexpr int kMax = 28;
    void Add(const Rect& r)
    {
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                pixels_.insert({x, y});
    }
    bool Contains(int x, int y) const { return pixels_.count({x, y}) != 0; }
    Rect Bounds() const
    {
        if (pixels_.empty())
            return {};
        Rect b{kMax, kMax, kMin, kMin};
        for (auto [x, y] : pixels_) {
            b.left = std::min(b.left, x);
            b.top = std::min(b.top, y);
            b.right = std::max(b.right, x + 1);
            b.bottom = std::max(b.bottom, y + 1);
        }
        return b;
    }

private:
    std::set<std::pair<int, int>> pixels_;
};

void ExpectSamePixels(const Region& region, const PixelSet& model)
{
    for (int y = PixelSet::kMin - 1; y <= PixelSet::kMax; ++y)
        for (int x = PixelSet::kMin - 1; x <= PixelSet::kMax; ++x)
            ASSERT_EQ(region.Contains(x, y), model.Contains(x, y)) << "at " << x << "," << y;
    EXPECT_EQ(region.Bounds(), model.Bounds());
}

TEST(RegionPropertyTest, RandomUnionsHoldExactlyTheirPixelsInCanonicalForm)
{
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> coord(PixelSet::kMin, PixelSet::kMax - 1);
    std::uniform_int_distribution<int> extent(0, 9);
    std::uniform_int_distribution<int> howMany(0, 10);
    for (int round = 0; round < 1500; ++round) {
        Rects rects(static_cast<size_t>(howMany(rng)));
        for (Rect& r : rects) {
            r.left = coord(rng);
            r.top = coord(rng);
            r.right = std::min(r.left + extent(rng), PixelSet::kMax);
            r.bottom = std::min(r.top + extent(rng), PixelSet::kMax);
        }
        Region acc;
        PixelSet model;
        for (const Rect& r : rects) {
            acc.Unite(r);
            model.Add(r);
            ASSERT_EQ(acc.CheckInvariants(), "") << "round " << round;
        }
        ExpectSamePixels(acc, model);

        // The same pixels reached another way give the same rectangle list.
        Rects shuffled = rects;
        std::shuffle(shuffled.begin(), shuffled.end(), rng);
        const Region other = Region::FromRects(shuffled);
        ASSERT_EQ(other.CheckInvariants(), "");
        ASSERT_EQ(other, acc) << "round " << round;
        ASSERT_EQ(other.Rects(), acc.Rects());

        // Union of two halves agrees too.
        const size_t half = rects.size() / 2;
        const Region a = Region::FromRects(std::span(rects).first(half));
        const Region b = Region::FromRects(std::span(rects).subspan(half));
        ASSERT_EQ(a.United(b), acc);
        ASSERT_EQ(b.United(a), acc);

        // The window gets the same pixels.
        const QRegion q = ToQRegion(acc);
        for (int y = PixelSet::kMin; y < PixelSet::kMax; y += 3)
            for (int x = PixelSet::kMin; x < PixelSet::kMax; ++x)
                ASSERT_EQ(q.contains(QPoint(x, y)), acc.Contains(x, y));
    }
}

struct BrokenCase {
    const char* name;
    Rects rects;
    Rect bounds;
};

void PrintTo(const BrokenCase& c, std::ostream* os)
{
    *os << c.name;
}

class RegionSelfCheckTest : public testing::TestWithParam<BrokenCase> {};

TEST_P(RegionSelfCheckTest, ReportsTheBrokenList)
{
    EXPECT_NE(Region::CheckCanonical(GetParam().rects, GetParam().bounds), "");
}

INSTANTIATE_TEST_SUITE_P(Cases, RegionSelfCheckTest,
                         testing::Values(BrokenCase{"EmptyRect", {{0, 0, 0, 1}}, {0, 0, 0, 1}},
                                         BrokenCase{"TouchingInBand", {{0, 0, 2, 1}, {2, 0, 3, 1}}, {0, 0, 3, 1}},
                                         BrokenCase{"UnsortedInBand", {{4, 0, 5, 1}, {0, 0, 2, 1}}, {0, 0, 5, 1}},
                                         BrokenCase{"UnevenBand", {{0, 0, 2, 1}, {3, 0, 4, 2}}, {0, 0, 4, 2}},
                                         BrokenCase{"OverlappingBands", {{0, 0, 2, 2}, {0, 1, 2, 3}}, {0, 0, 2, 3}},
                                         BrokenCase{"BandsOutOfOrder", {{0, 2, 2, 3}, {0, 0, 2, 1}}, {0, 0, 2, 3}},
                                         BrokenCase{
                                             "UnmergedIdenticalBands", {{0, 0, 2, 1}, {0, 1, 2, 2}}, {0, 0, 2, 2}},
                                         BrokenCase{"WrongBounds", {{0, 0, 2, 1}}, {0, 0, 3, 1}},
                                         BrokenCase{"BoundsWithoutRects", {}, {0, 0, 1, 1}}),
                         [](const testing::TestParamInfo<BrokenCase>& info) { return std::string(info.param.name); });

TEST(RegionSelfCheckTest, AcceptsTheCanonicalNeighbours)
{
    // Same spans but not touching, and touching with different spans.
    EXPECT_EQ(Region::CheckCanonical(Rects{{0, 0, 2, 1}, {0, 2, 2, 3}}, {0, 0, 2, 3}), "");
    EXPECT_EQ(Region::CheckCanonical(Rects{{0, 0, 2, 1}, {0, 1, 3, 2}}, {0, 0, 3, 2}), "");
}

}  // namespace

namespace {

// The window system's rectangles have 32-bit widths: a region with a wider
// rectangle is refused whole instead of wrapping around.
TEST(RegionQtTest, RectanglesWiderThan32BitsAreRefused)
{
    const Region wide(Rect{-1, 0, INT32_MAX, 1});
    const Region tall(Rect{0, -2, 1, INT32_MAX});
    const Region lowest(Rect{INT32_MIN, 0, 1, 1});
    Region bands(Rect{0, 0, 1, INT32_MAX});
    bands.Unite(Rect{0, -1, 2, 0});
    for (const Region& r : {wide, tall, lowest, bands}) {
        EXPECT_FALSE(ToQRegionChecked(r).has_value());
        EXPECT_TRUE(ToQRegion(r).isEmpty());
    }
    const Region fits(Rect{-1, -1, INT32_MAX - 1, 3});
    const std::optional<QRegion> q = ToQRegionChecked(fits);
    ASSERT_TRUE(q.has_value());
    EXPECT_TRUE(q->contains(QPoint(-1, -1)));
    EXPECT_TRUE(q->contains(QPoint(INT32_MAX - 2, 2)));
    EXPECT_FALSE(q->contains(QPoint(0, 3)));
}

}  // namespace
