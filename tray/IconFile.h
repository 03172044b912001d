#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// The layout of an icon file, checked against the bytes before anything of
// it is used: a 6-byte header (reserved 0, type 1, image count), one 16-byte
// directory entry per image, and each image either a device-independent
// bitmap (header, palette, colour bits, transparency mask) or a PNG stream,
// lying wholly inside the file. All fields are little-endian.
namespace IconFile {

constexpr std::size_t kHeaderSize = 6;
constexpr std::size_t kEntrySize = 16;
constexpr std::size_t kBitmapHeaderSize = 40;
// Bigger files are refused before they are read into memory.
constexpr std::size_t kMaxFileSize = 16u << 20;

struct Image {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
    std::uint32_t width = 0;     // pixels, 1 to 256
    std::uint32_t height = 0;    // pixels, 1 to 256
    std::uint16_t bitCount = 0;  // 0 for PNG images, which say it themselves
    bool png = false;
};

enum class Result {
    Ok,
    Truncated,  // the data ends inside the header
    NotValid,   // wrong type, no image, or a size or offset that does not fit
};

// Checks `data` as an icon file; on Ok fills `images` (which may be null).
Result Check(std::span<const std::uint8_t> data, std::vector<Image>* images);

}  // namespace IconFile
