#include "skin/RegionFromBitmap.h"

#include <bit>
#include <cstring>
#include <vector>

#include "skin/Bitmap.h"

namespace {

using Span = Region::Span;

// Collects the maximal runs of pixels that are not transparent.
template <class IsTransparent>
void ScanRow(int32_t width, IsTransparent isTransparent, std::vector<Span>& spans)
{
    spans.clear();
    int32_t x = 0;
    while (x < width) {
        while (x < width && isTransparent(x))
            ++x;
        if (x >= width)
            break;
        const int32_t start = x;
        while (x < width && !isTransparent(x))
            ++x;
        spans.push_back({start, x});
    }
}

// Rows arrive top to bottom, so each row is one band of height 1 and the
// builder merges it with the band above when the runs repeat. That gives the
// same canonical region as uniting the runs one at a time.
template <class RowScanner>
std::optional<Region> ScanRows(const Bitmap& bitmap, RowScanner scanRow)
{
    Region::Builder builder;
    std::vector<Span> spans;
    for (int32_t y = 0; y < bitmap.Height(); ++y) {
        scanRow(bitmap.Row(y), spans);
        builder.AddBand(y, y + 1, spans);
    }
    Region region = builder.Finish();
    if (region.IsEmpty())
        return std::nullopt;
    return region;
}

uint32_t LoadU32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    if constexpr (std::endian::native == std::endian::big)
        v = __builtin_bswap32(v);
    return v;
}

std::optional<Region> ScanTrueColor(const Bitmap& bitmap, uint32_t transparentColor)
{
    const int32_t width = bitmap.Width();
    if (transparentColor > 0xFFFFFFu) {
        // No stored pixel value can equal it: every row is one run.
        return ScanRows(bitmap, [width](const uint8_t*, std::vector<Span>& spans) { spans.assign(1, Span{0, width}); });
    }
    const auto red = static_cast<uint8_t>(transparentColor);
    const auto green = static_cast<uint8_t>(transparentColor >> 8);
    const auto blue = static_cast<uint8_t>(transparentColor >> 16);
    return ScanRows(bitmap, [=](const uint8_t* row, std::vector<Span>& spans) {
        ScanRow(
            width,
            [row, red, green, blue](int32_t x) {
                const uint8_t* p = row + 3 * static_cast<size_t>(x);
                return p[0] == blue && p[1] == green && p[2] == red;
            },
            spans);
    });
}

// The palette entry that alone carries the transparent colour, if exactly
// one does (the usual case: a key colour reserved for the background).
std::optional<uint8_t> SingleTransparentIndex(const Bitmap& bitmap, uint32_t key)
{
    std::optional<uint8_t> found;
    for (uint32_t v = 0; v < 256; ++v) {
        if (bitmap.ColorOfValue(v) != key)
            continue;
        if (found)
            return std::nullopt;
        found = static_cast<uint8_t>(v);
    }
    return found;
}

// 8 bits per pixel with one transparent index: runs are found a machine
// word or a memchr at a time instead of pixel by pixel.
std::optional<Region> ScanSingleIndex(const Bitmap& bitmap, uint8_t index)
{
    const int32_t width = bitmap.Width();
    const uint64_t broadcast = 0x0101010101010101ull * index;
    return ScanRows(bitmap, [=](const uint8_t* row, std::vector<Span>& spans) {
        spans.clear();
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

std::optional<Region> ScanMasked(const Bitmap& bitmap, std::optional<uint32_t> key)
{
    const int32_t width = bitmap.Width();
    if (!key) {
        return ScanRows(bitmap, [width](const uint8_t*, std::vector<Span>& spans) { spans.assign(1, Span{0, width}); });
    }
    const int bits = bitmap.BitsPerPixel();
    if (bits == 8) {
        if (auto index = SingleTransparentIndex(bitmap, *key))
            return ScanSingleIndex(bitmap, *index);
    }
    if (bits <= 16) {
        // Which raw pixel values carry the transparent colour.
        std::vector<uint8_t> transparent(size_t{1} << bits);
        for (uint32_t v = 0; v < transparent.size(); ++v)
            transparent[v] = bitmap.ColorOfValue(v) == *key;
        const uint8_t* t = transparent.data();
        return ScanRows(bitmap, [=](const uint8_t* row, std::vector<Span>& spans) {
            switch (bits) {
            case 1:
                ScanRow(
                    width, [=](int32_t x) { return t[(row[x >> 3] >> (7 - (x & 7))) & 1] != 0; }, spans);
                break;
            case 4:
                ScanRow(
                    width, [=](int32_t x) { return t[(row[x >> 1] >> ((~x & 1) << 2)) & 0xF] != 0; }, spans);
                break;
            case 8:
                ScanRow(
                    width, [=](int32_t x) { return t[row[x]] != 0; }, spans);
                break;
            default:
                ScanRow(
                    width,
                    [=](int32_t x) {
                        const uint8_t* p = row + 2 * static_cast<size_t>(x);
                        return t[static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8] != 0;
                    },
                    spans);
                break;
            }
        });
    }
    // 32 bits per pixel.
    if (bitmap.Masks() == Bitmap::DefaultMasks(32)) {
        const uint32_t word = (*key & 0xFFu) << 16 | (*key & 0xFF00u) | (*key >> 16 & 0xFFu);
        return ScanRows(bitmap, [=](const uint8_t* row, std::vector<Span>& spans) {
            ScanRow(
                width, [=](int32_t x) { return (LoadU32(row + 4 * static_cast<size_t>(x)) & 0xFFFFFFu) == word; },
                spans);
        });
    }
    return ScanRows(bitmap, [&bitmap, width, key](const uint8_t* row, std::vector<Span>& spans) {
        ScanRow(
            width,
            [&bitmap, row, key](int32_t x) {
                return bitmap.ColorOfValue(LoadU32(row + 4 * static_cast<size_t>(x))) == *key;
            },
            spans);
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
    if (fcIsTrueColorBitmap(bitmap))
        return ScanTrueColor(bitmap, transparentColor);

    std::optional<uint32_t> key;
    if (IsSystemColor(transparentColor)) {
        if (resolveSystemColor)
            key = resolveSystemColor(transparentColor);
        if (key)
            *key &= 0xFFFFFFu;
    } else if (transparentColor <= 0xFFFFFFu) {
        key = transparentColor;
    }
    return ScanMasked(bitmap, key);
}
