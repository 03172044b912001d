#include "skin/RegionFromBitmap.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

#include "common/ByteOrder.h"
#include "skin/Bitmap.h"

namespace {

using Span = Region::Span;

// Rows arrive top to bottom, so each row is one band of height 1 and the
// builder merges it with the band above when the runs repeat. That gives the
// same canonical region as uniting the runs one at a time.
template <class RowScanner>
std::optional<Region> ScanRows(const Bitmap& bitmap, RowScanner scanRow)
{
    Region::Builder builder;
    std::vector<Span> spans;
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        spans.clear();
        scanRow(y, spans);
        builder.AddBand(y, y + 1, spans);
    }
    Region region = builder.Finish();
    if (region.IsEmpty())
        return std::nullopt;
    return region;
}

// Collects each row's maximal runs of pixels that are not transparent.
template <class IsTransparent>
std::optional<Region> ScanPixels(const Bitmap& bitmap, IsTransparent isTransparent)
{
    const int32_t width = bitmap.Width();
    return ScanRows(bitmap, [&](int32_t y, std::vector<Span>& spans) {
        int32_t x = 0;
        while (x < width) {
            while (x < width && isTransparent(x, y))
                ++x;
            if (x >= width)
                break;
            const int32_t start = x;
            while (x < width && !isTransparent(x, y))
                ++x;
            spans.push_back({start, x});
        }
    });
}

// 8 bits per pixel with one transparent index: runs are found a machine
// word or a memchr at a time instead of pixel by pixel.
std::optional<Region> ScanSingleIndex(const Bitmap& bitmap, uint8_t index)
{
    const int32_t width = bitmap.Width();
    const uint64_t broadcast = 0x0101010101010101ull * index;
    return ScanRows(bitmap, [&bitmap, width, broadcast, index](int32_t y, std::vector<Span>& spans) {
        const uint8_t* row = bitmap.Row(y);
        int32_t x = 0;
        while (x < width) {
            while (x + 8 <= width) {
                uint64_t word;
                std::memcpy(&word, row + x, sizeof word);
                if constexpr (std::endian::native == std::endian::big)
                    word = __builtin_bswap64(word);
                const uint64_t differs = word ^ broadcast;
                if (differs != 0) {
                    x += std::countr_zero(differs) / 8;
                    break;
                }
                x += 8;
            }
            while (x < width && row[x] == index)
                ++x;
            if (x >= width)
                break;
            const int32_t start = x;
            const void* hit = std::memchr(row + x, index, static_cast<size_t>(width - x));
            x = hit ? static_cast<int32_t>(static_cast<const uint8_t*>(hit) - row) : width;
            spans.push_back({start, x});
        }
    });
}

}  // namespace

bool fcIsTrueColorBitmap(const Bitmap& bitmap)
{
    return bitmap.BitsPerPixel() == 24;
}

std::optional<Region> fcCreateRegionFromBitmap(const Bitmap& bitmap, uint32_t transparentColor,
                                               const SystemColorResolver& resolveSystemColor)
{
    if (bitmap.IsEmpty())
        return std::nullopt;
    const int bits = bitmap.BitsPerPixel();
    std::optional<uint32_t> key;
    if (IsSystemColor(transparentColor) && !fcIsTrueColorBitmap(bitmap)) {
        if (resolveSystemColor)
            key = resolveSystemColor(transparentColor);
        if (key)
            *key &= 0xFFFFFFu;
    } else if (transparentColor <= 0xFFFFFFu) {
        key = transparentColor;
    }
    // No pixel can carry it: every row is one run.
    if (!key)
        return ScanPixels(bitmap, [](int32_t, int32_t) { return false; });
    // The colour as the raw value of a pixel of blue, green, red bytes.
    const uint32_t word = (*key & 0xFFu) << 16 | (*key & 0xFF00u) | (*key >> 16 & 0xFFu);
    // The common deep formats compare blue, green and red straight from the row.
    if (bits == 24 || (bits == 32 && bitmap.Masks() == Bitmap::DefaultMasks(32))) {
        const auto bytes = static_cast<size_t>(bits / 8);
        return ScanPixels(bitmap, [&](int32_t x, int32_t y) {
            const uint8_t* p = bitmap.Row(y) + bytes * static_cast<size_t>(x);
            return ByteOrder::LoadU16(p) == (word & 0xFFFFu) && p[2] == word >> 16;
        });
    }
    if (bits == 32)
        return ScanPixels(bitmap, [&](int32_t x, int32_t y) { return bitmap.ColorAt(x, y) == *key; });
    // Which raw pixel values carry the transparent colour.
    std::vector<uint8_t> transparent(size_t{1} << bits);
    for (uint32_t v = 0; v < transparent.size(); ++v)
        transparent[v] = bitmap.ColorOfValue(v) == *key;
    // The usual case: one palette entry alone, a key colour reserved for the
    // background.
    if (bits == 8 && std::ranges::count(transparent, 1) == 1)
        return ScanSingleIndex(bitmap, static_cast<uint8_t>(std::ranges::find(transparent, 1) - transparent.begin()));
    return ScanPixels(bitmap, [&](int32_t x, int32_t y) { return transparent[bitmap.PixelValue(x, y)] != 0; });
}
