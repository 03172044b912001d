// The icon file check on arbitrary bytes: never reads outside the data, and
// every image it accepts lies inside the file with room for what its header
// says it holds.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "tray/IconFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> bytes(data, size);
    std::vector<IconFile::Image> images;
    const IconFile::Result result = IconFile::Check(bytes, &images);
    if (size < IconFile::kHeaderSize && result != IconFile::Result::Truncated)
        std::abort();
    if (result != IconFile::Result::Ok)
        return 0;
    if (images.empty())
        std::abort();
    for (const IconFile::Image& image : images) {
        if (static_cast<std::uint64_t>(image.offset) + image.size > size)
            std::abort();
        if (image.offset < IconFile::kHeaderSize + images.size() * IconFile::kEntrySize)
            std::abort();
        if (image.width < 1 || image.width > 256 || image.height < 1 || image.height > 256)
            std::abort();
        if (!image.png) {
            const std::uint64_t colourRow = (std::uint64_t{image.width} * image.bitCount + 31) / 32 * 4;
            const std::uint64_t maskRow = (std::uint64_t{image.width} + 31) / 32 * 4;
            if (IconFile::kBitmapHeaderSize + (colourRow + maskRow) * image.height > image.size)
                std::abort();
        }
    }
    return 0;
}
