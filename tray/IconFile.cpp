#include "tray/IconFile.h"

#include <cstring>
#include <utility>

#include "common/ByteOrder.h"

namespace IconFile {
namespace {

using namespace ByteOrder;

// Signature, then the IHDR chunk: length, "IHDR", width, height, 5 bytes, CRC.
constexpr std::size_t kPngMinimum = 8 + 4 + 4 + 13 + 4;

bool CheckPng(std::span<const std::uint8_t> image, Image& out)
{
    if (image.size() < kPngMinimum)
        return false;
    if (LoadU32BigEndian(&image[8]) != 13 || std::memcmp(&image[12], "IHDR", 4) != 0)
        return false;
    out.width = LoadU32BigEndian(&image[16]);
    out.height = LoadU32BigEndian(&image[20]);
    out.png = true;
    return out.width >= 1 && out.width <= 256 && out.height >= 1 && out.height <= 256;
}

bool CheckBitmap(std::span<const std::uint8_t> image, Image& out)
{
    if (image.size() < kBitmapHeaderSize)
        return false;
    const std::uint32_t headerSize = LoadU32(&image[0]);
    const auto width = LoadI32(&image[4]);
    const auto doubleHeight = LoadI32(&image[8]);
    const std::uint16_t planes = LoadU16(&image[12]);
    const std::uint16_t bits = LoadU16(&image[14]);
    const std::uint32_t compression = LoadU32(&image[16]);
    const std::uint32_t coloursUsed = LoadU32(&image[32]);
    if (headerSize < kBitmapHeaderSize || headerSize > image.size())
        return false;
    // The height counts the colour bits and the mask, one above the other.
    if (width < 1 || width > 256 || doubleHeight < 2 || doubleHeight > 512 || doubleHeight % 2 != 0)
        return false;
    if (planes != 1 || compression != 0 || (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32))
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
    const std::uint16_t count = LoadU16(&data[4]);
    if (LoadU16(&data[0]) != 0 || LoadU16(&data[2]) != 1 || count == 0)  // reserved, type, count
        return Result::NotValid;
    const std::uint64_t directoryEnd = kHeaderSize + static_cast<std::uint64_t>(count) * kEntrySize;
    if (directoryEnd > data.size())
        return Result::NotValid;

    std::vector<Image> found;
    found.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kHeaderSize + i * kEntrySize;
        Image image;
        image.size = LoadU32(&data[entry + 8]);
        image.offset = LoadU32(&data[entry + 12]);
        if (image.offset < directoryEnd || image.size == 0 ||
            static_cast<std::uint64_t>(image.offset) + image.size > data.size())
            return Result::NotValid;
        const auto bytes = data.subspan(image.offset, image.size);
        const bool png = bytes.size() >= 8 && std::memcmp(bytes.data(), "\x89PNG\r\n\x1A\n", 8) == 0;
        if (!(png ? CheckPng(bytes, image) : CheckBitmap(bytes, image)))
            return Result::NotValid;
        found.push_back(image);
    }
    if (images != nullptr)
        *images = std::move(found);
    return Result::Ok;
}

}  // namespace IconFile
