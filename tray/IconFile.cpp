#include "tray/IconFile.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "common/ByteOrder.h"

namespace IconFile {
namespace {

std::uint16_t U16(std::span<const std::uint8_t> d, std::size_t at)
{
    return ByteOrder::LoadU16(&d[at]);
}
std::uint32_t U32(std::span<const std::uint8_t> d, std::size_t at)
{
    return ByteOrder::LoadU32(&d[at]);
}
std::uint32_t U32BigEndian(std::span<const std::uint8_t> d, std::size_t at)
{
    return ByteOrder::LoadU32BigEndian(&d[at]);
}

constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
// Signature, then the IHDR chunk: length, "IHDR", width, height, 5 bytes, CRC.
constexpr std::size_t kPngMinimum = 8 + 4 + 4 + 13 + 4;

bool CheckPng(std::span<const std::uint8_t> image, Image& out)
{
    if (image.size() < kPngMinimum)
        return false;
    if (U32BigEndian(image, 8) != 13 || image[12] != 'I' || image[13] != 'H' || image[14] != 'D' || image[15] != 'R')
        return false;
    out.width = U32BigEndian(image, 16);
    out.height = U32BigEndian(image, 20);
    out.png = true;
    return out.width >= 1 && out.width <= 256 && out.height >= 1 && out.height <= 256;
}

bool CheckBitmap(std::span<const std::uint8_t> image, Image& out)
{
    if (image.size() < kBitmapHeaderSize)
        return false;
    const std::uint32_t headerSize = U32(image, 0);
    const auto width = static_cast<std::int32_t>(U32(image, 4));
    const auto doubleHeight = static_cast<std::int32_t>(U32(image, 8));
    const std::uint16_t planes = U16(image, 12);
    const std::uint16_t bits = U16(image, 14);
    const std::uint32_t compression = U32(image, 16);
    const std::uint32_t coloursUsed = U32(image, 32);
    if (headerSize < kBitmapHeaderSize || headerSize > image.size())
        return false;
    // The height counts the colour bits and the mask, one above the other.
    if (width < 1 || width > 256 || doubleHeight < 2 || doubleHeight > 512 || doubleHeight % 2 != 0)
        return false;
    if (planes != 1 || compression != 0)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
        return false;
    std::uint64_t colours = 0;
    if (bits <= 8) {
        colours = coloursUsed == 0 ? (1u << bits) : coloursUsed;
        if (colours > (1u << bits))
            return false;
    }
    const auto w = static_cast<std::uint64_t>(width);
    const auto h = static_cast<std::uint64_t>(doubleHeight / 2);
    const std::uint64_t colourRow = (w * bits + 31) / 32 * 4;
    const std::uint64_t maskRow = (w + 31) / 32 * 4;
    const std::uint64_t needed = headerSize + colours * 4 + colourRow * h + maskRow * h;
    if (needed > image.size())
        return false;
    out.width = static_cast<std::uint32_t>(width);
    out.height = static_cast<std::uint32_t>(h);
    out.bitCount = bits;
    out.png = false;
    return true;
}

}  // namespace

Result Check(std::span<const std::uint8_t> data, std::vector<Image>* images)
{
    if (data.size() < kHeaderSize)
        return Result::Truncated;
    if (data.size() > kMaxFileSize)
        return Result::NotValid;
    const std::uint16_t reserved = U16(data, 0);
    const std::uint16_t type = U16(data, 2);
    const std::uint16_t count = U16(data, 4);
    if (reserved != 0 || type != 1 || count == 0)
        return Result::NotValid;
    const std::uint64_t directoryEnd = kHeaderSize + static_cast<std::uint64_t>(count) * kEntrySize;
    if (directoryEnd > data.size())
        return Result::NotValid;

    std::vector<Image> found;
    found.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kHeaderSize + i * kEntrySize;
        Image image;
        image.size = U32(data, entry + 8);
        image.offset = U32(data, entry + 12);
        if (image.offset < directoryEnd || image.size == 0 ||
            static_cast<std::uint64_t>(image.offset) + image.size > data.size())
            return Result::NotValid;
        const auto bytes = data.subspan(image.offset, image.size);
        const bool png =
            bytes.size() >= 8 && std::equal(std::begin(kPngSignature), std::end(kPngSignature), bytes.begin());
        if (!(png ? CheckPng(bytes, image) : CheckBitmap(bytes, image)))
            return Result::NotValid;
        found.push_back(image);
    }
    if (images != nullptr)
        *images = std::move(found);
    return Result::Ok;
}

}  // namespace IconFile
