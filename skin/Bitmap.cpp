#include "skin/Bitmap.h"

#include <algorithm>
#include <bit>
#include <stdexcept>

#include "common/ByteOrder.h"
#include "skin/SystemColor.h"

namespace {

// Scales the channel that `mask` selects out of `word` to 0..255.
uint8_t ExtractChannel(uint32_t word, uint32_t mask)
{
    if (mask == 0)
        return 0;
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    const uint32_t v = (word & mask) >> shift;
    // Plain shifts, as display drivers and Qt's own reader scale: a full
    // 5-bit channel reads 248, not 255, so painting and outline agree.
    return static_cast<uint8_t>(bits >= 8 ? v >> (bits - 8) : v << (8 - bits));
}

}  // namespace

bool Bitmap::IsSupportedDepth(int bitsPerPixel)
{
    constexpr int kDepths[] = {1, 4, 8, 16, 24, 32};
    return std::ranges::find(kDepths, bitsPerPixel) != std::end(kDepths);
}

size_t Bitmap::StrideFor(int32_t width, int bitsPerPixel)
{
    const auto bits = static_cast<size_t>(width) * static_cast<size_t>(bitsPerPixel);
    return (bits + 31) / 32 * 4;
}

Bitmap::ChannelMasks Bitmap::DefaultMasks(int bitsPerPixel)
{
    if (bitsPerPixel == 16)
        return {0x7C00, 0x03E0, 0x001F};
    if (bitsPerPixel == 32)
        return {0xFF0000, 0x00FF00, 0x0000FF};
    return {};
}

Bitmap::Bitmap(int32_t width, int32_t height, int bitsPerPixel)
{
    if (!IsSupportedDepth(bitsPerPixel))
        throw std::invalid_argument("unsupported bits per pixel");
    if (width < 0 || height < 0 || width > kMaxDimension || height > kMaxDimension)
        throw std::invalid_argument("bitmap size out of range");
    FWidth = width;
    FHeight = height;
    FBitsPerPixel = bitsPerPixel;
    FStride = StrideFor(width, bitsPerPixel);
    FPixels.assign(FStride * static_cast<size_t>(height), 0);
    FMasks = DefaultMasks(bitsPerPixel);
}

void Bitmap::SetColorTable(std::vector<uint32_t> table)
{
    if (FBitsPerPixel > 8 || table.size() > (size_t{1} << FBitsPerPixel))
        throw std::invalid_argument("colour table does not fit the pixel format");
    FColorTable = std::move(table);
}

void Bitmap::SetMasks(const ChannelMasks& masks)
{
    if (FBitsPerPixel != 16 && FBitsPerPixel != 32)
        throw std::invalid_argument("channel masks need 16 or 32 bits");
    const uint32_t wordMask = FBitsPerPixel == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    for (uint32_t m : {masks.red, masks.green, masks.blue}) {
        if (m == 0)
            continue;
        const uint32_t shifted = m >> std::countr_zero(m);
        if ((m & ~wordMask) != 0 || (shifted & (shifted + 1)) != 0 || std::popcount(m) > 16)
            throw std::invalid_argument("bad channel mask");
    }
    FMasks = masks;
}

uint32_t Bitmap::PixelValue(int32_t x, int32_t y) const
{
    const uint8_t* row = Row(y);
    const auto ux = static_cast<size_t>(x);
    switch (FBitsPerPixel) {
    case 1:
        return (row[ux / 8] >> (7 - ux % 8)) & 1u;
    case 4:
        return (row[ux / 2] >> (ux % 2 == 0 ? 4 : 0)) & 0xFu;
    case 8:
        return row[ux];
    case 16:
        return ByteOrder::LoadU16(row + 2 * ux);
    case 24:
        return ByteOrder::LoadU16(row + 3 * ux) | static_cast<uint32_t>(row[3 * ux + 2]) << 16;
    default:
        return ByteOrder::LoadU32(row + 4 * ux);
    }
}

void Bitmap::SetPixelValue(int32_t x, int32_t y, uint32_t value)
{
    uint8_t* row = Row(y);
    const auto ux = static_cast<size_t>(x);
    if (FBitsPerPixel == 1) {
        const auto bit = static_cast<uint8_t>(0x80u >> (ux % 8));
        row[ux / 8] = static_cast<uint8_t>((value & 1u) ? (row[ux / 8] | bit) : (row[ux / 8] & ~bit));
    } else if (FBitsPerPixel == 4) {
        const unsigned shift = ux % 2 == 0 ? 4 : 0;
        row[ux / 2] = static_cast<uint8_t>((row[ux / 2] & ~(0xFu << shift)) | ((value & 0xFu) << shift));
    } else {
        // Whole bytes, low byte first.
        const auto bytes = static_cast<size_t>(FBitsPerPixel / 8);
        for (size_t i = 0; i < bytes; ++i)
            row[bytes * ux + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

uint32_t Bitmap::ColorOfValue(uint32_t value) const
{
    switch (FBitsPerPixel) {
    case 1:
    case 4:
    case 8:
        return value < FColorTable.size() ? FColorTable[value] & 0xFFFFFFu : 0u;
    case 24:
        // Stored blue, green, red: value is 0x00RRGGBB.
        return (value & 0xFFu) << 16 | (value & 0xFF00u) | (value >> 16 & 0xFFu);
    default:
        return RgbColor(ExtractChannel(value, FMasks.red), ExtractChannel(value, FMasks.green),
                        ExtractChannel(value, FMasks.blue));
    }
}
