#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "skin/Bitmap.h"
#include "skin/ByteStream.h"
#include "skin/RegionData.h"
#include "skin/RegionFromBitmap.h"

namespace {

using Rect = Region::Rect;
using Rects = std::vector<Rect>;

constexpr uint32_t kKey = 0x00FCFEFC;  // transparent: red 252, green 254, blue 252
constexpr uint32_t kInk = 0x00203040;  // an opaque colour
constexpr int kDepths[] = {1, 4, 8, 16, 24, 32};

// Raw pixel value for `color` at the given depth. 16 bits keep only the top
// five bits of each channel, so there the key is what its raw value reads as.
uint32_t RawFor(int depth, uint32_t color, bool key)
{
    const uint32_t r = color & 0xFF, g = color >> 8 & 0xFF, b = color >> 16 & 0xFF;
    switch (depth) {
    case 1:
    case 4:
    case 8:
        return key ? 0 : 1;  // palette {key, ink}
    case 16:
        return (r >> 3) << 10 | (g >> 3) << 5 | (b >> 3);
    case 24:
        return r << 16 | g << 8 | b;  // bytes blue, green, red
    default:
        return 0xEE000000u | r << 16 | g << 8 | b;  // the fourth byte is ignored
    }
}

// A picture from rows of '.' (transparent) and '#' (opaque).
Bitmap Picture(int depth, const std::vector<std::string>& rows, uint32_t* keyOut)
{
    const auto h = static_cast<int32_t>(rows.size());
    const auto w = h == 0 ? 0 : static_cast<int32_t>(rows[0].size());
    Bitmap bmp(w, h, depth);
    if (depth <= 8)
        bmp.SetColorTable({kKey, kInk});
    const uint32_t keyRaw = RawFor(depth, kKey, true);
    const uint32_t inkRaw = RawFor(depth, kInk, false);
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            bmp.SetPixelValue(x, y, rows[static_cast<size_t>(y)][static_cast<size_t>(x)] == '.' ? keyRaw : inkRaw);
    *keyOut = depth == 16 ? bmp.ColorOfValue(keyRaw) : kKey;
    return bmp;
}

struct ScanCase {
    const char* name;
    std::vector<std::string> rows;
    Rects expected;  // empty: no region
};

void PrintTo(const ScanCase& c, std::ostream* os)
{
    *os << c.name;
}

class ScanTest : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanTest, GivesTheExpectedOutlineAtEveryDepth)
{
    const ScanCase& c = GetParam();
    for (int depth : kDepths) {
        SCOPED_TRACE(testing::Message() << depth << " bits per pixel");
        uint32_t key = 0;
        const Bitmap bmp = Picture(depth, c.rows, &key);
        const Bitmap before = bmp;
        const auto region = fcCreateRegionFromBitmap(bmp, key);
        EXPECT_EQ(bmp, before);
        if (c.expected.empty()) {
            EXPECT_FALSE(region.has_value());
            continue;
        }
        ASSERT_TRUE(region.has_value());
        EXPECT_EQ(region->Rects(), c.expected);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ScanTest,
    testing::Values(ScanCase{"TwoRunsInARow", {"###..##."}, {{0, 0, 3, 1}, {5, 0, 7, 1}}},
                    ScanCase{"RunReachesLastColumn", {".....", "....#"}, {{4, 1, 5, 2}}},
                    ScanCase{"RunFromFirstToLastColumn", {"..", "##", ".."}, {{0, 1, 2, 2}}},
                    ScanCase{"NoTransparentPixel", {"#########", "#########"}, {{0, 0, 9, 2}}},
                    ScanCase{"AllTransparent", {"....", "...."}, {}},
                    ScanCase{"IdenticalRowsMerge", {"#.#", "#.#", "#.#", "..."}, {{0, 0, 1, 3}, {2, 0, 3, 3}}},
                    ScanCase{"RowsMergeAcrossWidthsOver8",
                             {"..########..#######.", "..########..#######."},
                             {{2, 0, 10, 2}, {12, 0, 19, 2}}},
                    ScanCase{"GapRowSplitsBands", {"##", "..", "##"}, {{0, 0, 2, 1}, {0, 2, 2, 3}}},
                    ScanCase{"RoundedCorner", {".##.", "####", ".##."}, {{1, 0, 3, 1}, {0, 1, 4, 2}, {1, 2, 3, 3}}}),
    [](const testing::TestParamInfo<ScanCase>& info) { return std::string(info.param.name); });

TEST(RegionFromBitmapTest, EmptyPicturesGiveNoRegion)
{
    for (int depth : kDepths) {
        EXPECT_FALSE(fcCreateRegionFromBitmap(Bitmap(0, 0, depth), kKey)) << depth;
        EXPECT_FALSE(fcCreateRegionFromBitmap(Bitmap(0, 7, depth), kKey)) << depth;
        EXPECT_FALSE(fcCreateRegionFromBitmap(Bitmap(7, 0, depth), kKey)) << depth;
    }
    EXPECT_FALSE(fcCreateRegionFromBitmap(Bitmap(), kKey));
}

TEST(RegionFromBitmapTest, OnlyTwentyFourBitsIsTrueColour)
{
    for (int depth : kDepths)
        EXPECT_EQ(fcIsTrueColorBitmap(Bitmap(1, 1, depth)), depth == 24) << depth;
}

std::optional<uint32_t> ButtonFaceIsWhite(uint32_t color)
{
    if (color == 0x8000000Fu)
        return 0x00FFFFFFu;
    return std::nullopt;
}

TEST(RegionFromBitmapTest, NoColourAndSystemColoursOnEachPath)
{
    // A white picture with one black pixel, in 24 and 8 bits.
    Bitmap rgb(3, 2, 24);
    Bitmap indexed(3, 2, 8);
    indexed.SetColorTable({0x00FFFFFF, 0x00000000});
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x) {
            rgb.SetPixelValue(x, y, 0xFFFFFF);
            indexed.SetPixelValue(x, y, 0);
        }
    rgb.SetPixelValue(1, 1, 0);
    indexed.SetPixelValue(1, 1, 1);
    const Rects whole = {{0, 0, 3, 2}};
    const Rects blackPixel = {{1, 1, 2, 2}};

    // 24 bits: the value is compared unchanged, so these match nothing.
    EXPECT_EQ(fcCreateRegionFromBitmap(rgb, clNone, ButtonFaceIsWhite)->Rects(), whole);
    EXPECT_EQ(fcCreateRegionFromBitmap(rgb, 0x8000000Fu, ButtonFaceIsWhite)->Rects(), whole);
    EXPECT_EQ(fcCreateRegionFromBitmap(rgb, 0x00FFFFFFu, ButtonFaceIsWhite)->Rects(), blackPixel);

    // Other depths: system colours resolve first; clNone names no colour.
    EXPECT_EQ(fcCreateRegionFromBitmap(indexed, 0x8000000Fu, ButtonFaceIsWhite)->Rects(), blackPixel);
    EXPECT_EQ(fcCreateRegionFromBitmap(indexed, 0x80000005u, ButtonFaceIsWhite)->Rects(), whole);
    EXPECT_EQ(fcCreateRegionFromBitmap(indexed, clNone, ButtonFaceIsWhite)->Rects(), whole);
    EXPECT_EQ(fcCreateRegionFromBitmap(indexed, 0x8000000Fu, SystemColorResolver())->Rects(), whole);
    // The built-in default resolves the classic window colour to white.
    EXPECT_EQ(fcCreateRegionFromBitmap(indexed, 0x80000005u)->Rects(), blackPixel);
}

TEST(RegionFromBitmapTest, ChannelMasksAndPaletteGapsDecideTheColour)
{
    // 5-6-5: full green stored in six bits reads back as 252.
    Bitmap wide(2, 1, 16);
    wide.SetMasks({0xF800, 0x07E0, 0x001F});
    wide.SetPixelValue(0, 0, 0x07E0);
    wide.SetPixelValue(1, 0, 0x001F);
    EXPECT_EQ(fcCreateRegionFromBitmap(wide, 0x0000FC00)->Rects(), (Rects{{1, 0, 2, 1}}));

    // Indices past the colour table read as black.
    Bitmap gap(3, 1, 4);
    gap.SetColorTable({0x00FFFFFF});
    gap.SetPixelValue(1, 0, 9);
    EXPECT_EQ(fcCreateRegionFromBitmap(gap, 0x00000000)->Rects(), (Rects{{0, 0, 1, 1}, {2, 0, 3, 1}}));
}

// Colour of a pixel worked out independently of the code under test.
uint32_t ReferenceColor(const Bitmap& bmp, int32_t x, int32_t y)
{
    const uint8_t* row = bmp.Row(y);
    switch (bmp.BitsPerPixel()) {
    case 1:
    case 4:
    case 8: {
        const int d = bmp.BitsPerPixel();
        const size_t bit = static_cast<size_t>(x) * static_cast<size_t>(d);
        const uint32_t index = (row[bit / 8] >> (8 - d - bit % 8)) & ((1u << d) - 1);
        return index < bmp.ColorTable().size() ? bmp.ColorTable()[index] : 0;
    }
    case 16: {
        const uint32_t v = row[2 * x] | row[2 * x + 1] << 8;
        auto five = [](uint32_t c) { return c << 3; };
        return five(v >> 10 & 31) | five(v >> 5 & 31) << 8 | five(v & 31) << 16;
    }
    case 24:
        return static_cast<uint32_t>(row[3 * x] << 16 | row[3 * x + 1] << 8 | row[3 * x + 2]);
    default:
        return static_cast<uint32_t>(row[4 * x + 2] | row[4 * x + 1] << 8 | row[4 * x] << 16);
    }
}

Bitmap RandomPicture(std::mt19937& rng)
{
    const int depth = kDepths[rng() % 6];
    const auto w = static_cast<int32_t>(1 + rng() % 64);
    const auto h = static_cast<int32_t>(1 + rng() % 24);
    Bitmap bmp(w, h, depth);
    const uint32_t maxRaw = depth == 32 ? 0xFFFFFFFFu : static_cast<uint32_t>((uint64_t{1} << depth) - 1);
    if (depth <= 8) {
        std::vector<uint32_t> table(1 + rng() % (1u << depth));
        for (uint32_t& c : table)
            c = rng() % 4 == 0 ? kKey : rng() & 0xFFFFFF;
        bmp.SetColorTable(table);
    }
    // A few raw values, laid out in runs, with rows often repeating.
    std::vector<uint32_t> values(2 + rng() % 3);
    for (uint32_t& v : values)
        v = static_cast<uint32_t>(rng()) & maxRaw;
    uint32_t current = values[0];
    const uint32_t changeEvery = 2 + rng() % 20;  // short or long runs
    for (int32_t y = 0; y < h; ++y) {
        if (y > 0 && rng() % 3 == 0) {
            for (int32_t x = 0; x < w; ++x)
                bmp.SetPixelValue(x, y, bmp.PixelValue(x, y - 1));
            continue;
        }
        for (int32_t x = 0; x < w; ++x) {
            if (rng() % changeEvery == 0)
                current = values[rng() % values.size()];
            bmp.SetPixelValue(x, y, current);
        }
    }
    return bmp;
}

TEST(RegionFromBitmapPropertyTest, RandomPicturesGiveTheOneAtATimeUnionOfTheirRuns)
{
    std::mt19937 rng(424242);
    int withRegion = 0;
    for (int round = 0; round < 3000; ++round) {
        const Bitmap bmp = RandomPicture(rng);
        // Mostly the bottom-left pixel's colour, as the image form picks it.
        const uint32_t key = bmp.BitsPerPixel() == 24 && round % 5 == 0 ? static_cast<uint32_t>(rng()) & 0xFFFFFF
                                                                        : ReferenceColor(bmp, 0, bmp.Height() - 1);
        const auto region = fcCreateRegionFromBitmap(bmp, key);

        Region reference;
        for (int32_t y = 0; y < bmp.Height(); ++y) {
            int32_t x = 0;
            while (x < bmp.Width()) {
                while (x < bmp.Width() && ReferenceColor(bmp, x, y) == key)
                    ++x;
                const int32_t start = x;
                while (x < bmp.Width() && ReferenceColor(bmp, x, y) != key)
                    ++x;
                if (x > start)
                    reference.Unite(Rect{start, y, x, y + 1});
            }
        }
        if (reference.IsEmpty()) {
            ASSERT_FALSE(region.has_value()) << "round " << round;
            continue;
        }
        ++withRegion;
        ASSERT_TRUE(region.has_value()) << "round " << round;
        ASSERT_EQ(region->CheckInvariants(), "") << "round " << round;
        ASSERT_EQ(*region, reference) << "round " << round << " depth " << bmp.BitsPerPixel();
        for (int32_t y = -1; y <= bmp.Height(); ++y)
            for (int32_t x = -1; x <= bmp.Width(); ++x) {
                const bool opaque =
                    x >= 0 && y >= 0 && x < bmp.Width() && y < bmp.Height() && ReferenceColor(bmp, x, y) != key;
                ASSERT_EQ(region->Contains(x, y), opaque) << "round " << round << " at " << x << "," << y;
            }

        VectorByteSink sink;
        WriteRegions(sink, region);
        MemoryByteSource source(sink.Bytes());
        const RegionReadResult back = ReadRegions(source);
        ASSERT_EQ(back.status, RegionReadResult::Status::Loaded);
        ASSERT_EQ(back.region, *region);
    }
    EXPECT_GT(withRegion, 1500);  // the generator really produces outlines
}

}  // namespace
