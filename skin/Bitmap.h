#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A device-independent picture: rows counted from the top, each row padded
// to a multiple of four bytes as in stored bitmaps.
//  - 1, 4 and 8 bits per pixel: palette indices into the colour table,
//    most significant bits first within a byte.
//  - 16 and 32 bits per pixel: little-endian pixel words whose colour
//    channels are picked by the channel masks (5-5-5 and 8-8-8 by default).
//  - 24 bits per pixel: blue, green, red bytes.
// Colours are 0x00BBGGRR values (red in the low byte).
//
// Invariant: the pixel buffer always holds Stride() * Height() bytes; the
// constructor and the setters reject anything that would break that.
class Bitmap {
public:
    // The largest picture accepted: more than any screen, and small enough
    // that sizes never overflow.
    static constexpr int32_t kMaxDimension = 32768;

    struct ChannelMasks {
        uint32_t red = 0;
        uint32_t green = 0;
        uint32_t blue = 0;
        friend bool operator==(const ChannelMasks&, const ChannelMasks&) = default;
    };

    Bitmap() = default;  // the empty picture: 0 x 0, 24 bits per pixel
    // All pixels zero. Throws std::invalid_argument for an unsupported depth
    // or a size outside 0..kMaxDimension.
    Bitmap(int32_t width, int32_t height, int bitsPerPixel);

    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    int BitsPerPixel() const { return FBitsPerPixel; }
    bool IsEmpty() const { return FWidth == 0 || FHeight == 0; }
    size_t Stride() const { return FStride; }

    const uint8_t* Row(int32_t y) const { return FPixels.data() + static_cast<size_t>(y) * FStride; }
    uint8_t* Row(int32_t y) { return FPixels.data() + static_cast<size_t>(y) * FStride; }
    const std::vector<uint8_t>& Pixels() const { return FPixels; }

    // Palette of an indexed picture, at most 2^bitsPerPixel entries. Indices
    // past its end read as black.
    const std::vector<uint32_t>& ColorTable() const { return FColorTable; }
    void SetColorTable(std::vector<uint32_t> table);

    // Only for 16 and 32 bits per pixel; each mask must be one contiguous
    // run of at most 16 bits inside the pixel word.
    const ChannelMasks& Masks() const { return FMasks; }
    void SetMasks(const ChannelMasks& masks);

    // Raw value of pixel (x, y): a palette index, a pixel word, or 0x00RRGGBB
    // bytes for 24 bits. Coordinates must be inside the picture.
    uint32_t PixelValue(int32_t x, int32_t y) const;
    void SetPixelValue(int32_t x, int32_t y, uint32_t value);

    // Colour of a raw pixel value as 0x00BBGGRR; channels narrower than 8
    // bits are shifted up (a full 5-bit channel is 248), wider ones down.
    uint32_t ColorOfValue(uint32_t value) const;
    uint32_t ColorAt(int32_t x, int32_t y) const { return ColorOfValue(PixelValue(x, y)); }

    static size_t StrideFor(int32_t width, int bitsPerPixel);
    static bool IsSupportedDepth(int bitsPerPixel);
    static ChannelMasks DefaultMasks(int bitsPerPixel);

    friend bool operator==(const Bitmap&, const Bitmap&) = default;

private:
    int32_t FWidth = 0;
    int32_t FHeight = 0;
    int FBitsPerPixel = 24;
    size_t FStride = 0;
    std::vector<uint8_t> FPixels;
    std::vector<uint32_t> FColorTable;
    ChannelMasks FMasks;
};
