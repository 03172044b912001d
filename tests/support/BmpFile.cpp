#include "tests/support/BmpFile.h"

#include <cstring>
#include <limits>
#include <stdexcept>

#include "common/ByteOrder.h"

namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;
constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionBitFields = 3;

using ByteOrder::LoadI32;
using ByteOrder::LoadU16;
using ByteOrder::LoadU32;

void Put16(std::vector<uint8_t>& out, uint32_t v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

bool KnownInfoHeaderSize(uint32_t size)
{
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

}  // namespace

std::optional<Bitmap> DecodeBmp(std::span<const uint8_t> file)
{
    const size_t size = file.size();
    if (size < kFileHeaderSize + kInfoHeaderSize)
        return std::nullopt;
    const uint8_t* d = file.data();
    if (d[0] != 'B' || d[1] != 'M')
        return std::nullopt;
    const uint32_t pixelOffset = LoadU32(d + 10);

    const uint8_t* info = d + kFileHeaderSize;
    const uint32_t infoSize = LoadU32(info);
    if (!KnownInfoHeaderSize(infoSize) || kFileHeaderSize + infoSize > size)
        return std::nullopt;
    const int32_t width = LoadI32(info + 4);
    const int32_t rawHeight = LoadI32(info + 8);
    const uint16_t planes = LoadU16(info + 12);
    const uint16_t bits = LoadU16(info + 14);
    const uint32_t compression = LoadU32(info + 16);
    const uint32_t colorsUsed = LoadU32(info + 32);

    if (planes != 1 || !Bitmap::IsSupportedDepth(bits))
        return std::nullopt;
    if (rawHeight == std::numeric_limits<int32_t>::min())
        return std::nullopt;
    const bool topDown = rawHeight < 0;
    const int32_t height = topDown ? -rawHeight : rawHeight;
    if (width < 0 || width > Bitmap::kMaxDimension || height > Bitmap::kMaxDimension)
        return std::nullopt;

    size_t tableOffset = kFileHeaderSize + infoSize;
    std::optional<Bitmap::ChannelMasks> masks;
    if (compression == kCompressionBitFields) {
        if (bits != 16 && bits != 32)
            return std::nullopt;
        const uint8_t* m = info + 40;
        if (infoSize == kInfoHeaderSize) {
            if (tableOffset + 12 > size)
                return std::nullopt;
            tableOffset += 12;
        }
        masks = Bitmap::ChannelMasks{LoadU32(m), LoadU32(m + 4), LoadU32(m + 8)};
    } else if (compression != kCompressionNone) {
        return std::nullopt;
    }

    std::vector<uint32_t> table;
    if (bits <= 8) {
        const uint32_t maxColors = 1u << bits;
        const uint32_t count = colorsUsed == 0 ? maxColors : colorsUsed;
        if (count > maxColors || tableOffset + 4 * static_cast<size_t>(count) > size)
            return std::nullopt;
        table.reserve(count);
        for (uint32_t i = 0; i < count; ++i) {
            const uint8_t* q = d + tableOffset + 4 * static_cast<size_t>(i);
            table.push_back(static_cast<uint32_t>(q[2]) | static_cast<uint32_t>(q[1]) << 8 |
                            static_cast<uint32_t>(q[0]) << 16);
        }
    }

    // Both dimensions are at most kMaxDimension, so this cannot overflow.
    const size_t stride = Bitmap::StrideFor(width, bits);
    const size_t pixelBytes = stride * static_cast<size_t>(height);
    if (pixelOffset > size || size - pixelOffset < pixelBytes)
        return std::nullopt;

    Bitmap bitmap(width, height, bits);
    try {
        if (bits <= 8)
            bitmap.SetColorTable(std::move(table));
        if (masks)
            bitmap.SetMasks(*masks);
    } catch (const std::invalid_argument&) {
        return std::nullopt;
    }
    for (int32_t y = 0; y < height; ++y) {
        const int32_t stored = topDown ? y : height - 1 - y;
        if (stride > 0)
            std::memcpy(bitmap.Row(y), d + pixelOffset + static_cast<size_t>(stored) * stride, stride);
    }
    return bitmap;
}

std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap)
{
    const int bits = bitmap.BitsPerPixel();
    const bool withMasks = (bits == 16 || bits == 32) && !(bitmap.Masks() == Bitmap::DefaultMasks(bits));
    // An indexed file without a table would read as one with a full table;
    // a single black entry means the same as none (indices past it are black).
    std::vector<uint32_t> table = bitmap.ColorTable();
    if (bits <= 8 && table.empty())
        table.push_back(0);
    const size_t tableBytes = 4 * table.size();
    const size_t headerBytes = kFileHeaderSize + kInfoHeaderSize + (withMasks ? 12 : 0) + tableBytes;
    const size_t pixelBytes = bitmap.Stride() * static_cast<size_t>(bitmap.Height());

    std::vector<uint8_t> out;
    out.reserve(headerBytes + pixelBytes);
    out.push_back('B');
    out.push_back('M');
    Put32(out, static_cast<uint32_t>(headerBytes + pixelBytes));
    Put32(out, 0);
    Put32(out, static_cast<uint32_t>(headerBytes));

    Put32(out, kInfoHeaderSize);
    Put32(out, static_cast<uint32_t>(bitmap.Width()));
    Put32(out, static_cast<uint32_t>(bitmap.Height()));
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(bits));
    Put32(out, withMasks ? kCompressionBitFields : kCompressionNone);
    Put32(out, static_cast<uint32_t>(pixelBytes));
    Put32(out, 2835);  // 72 dots per inch
    Put32(out, 2835);
    Put32(out, static_cast<uint32_t>(table.size()));
    Put32(out, 0);
    if (withMasks) {
        Put32(out, bitmap.Masks().red);
        Put32(out, bitmap.Masks().green);
        Put32(out, bitmap.Masks().blue);
    }
    for (uint32_t c : table) {
        out.push_back(static_cast<uint8_t>(c >> 16));
        out.push_back(static_cast<uint8_t>(c >> 8));
        out.push_back(static_cast<uint8_t>(c));
        out.push_back(0);
    }
    for (int32_t y = bitmap.Height() - 1; y >= 0; --y) {
        const uint8_t* row = bitmap.Row(y);
        out.insert(out.end(), row, row + bitmap.Stride());
    }
    return out;
}
