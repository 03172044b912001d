#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Icon files made by the tests themselves: one 4-bit image of `size` x `size`
// pixels filled with palette entry 1 (`rgb`), with an all-opaque mask. At 32
// pixels that is the 766-byte layout of the program's own icon.
inline std::vector<std::uint8_t> MakeIconFile(std::uint32_t rgb = 0xFF0000, std::uint32_t size = 32)
{
    std::vector<std::uint8_t> out;
    auto u8 = [&](std::uint32_t v) { out.push_back(static_cast<std::uint8_t>(v)); };
    auto u16 = [&](std::uint32_t v) { u8(v & 0xFF), u8((v >> 8) & 0xFF); };
    auto u32 = [&](std::uint32_t v) { u16(v & 0xFFFF), u16(v >> 16); };
    const std::uint32_t colourRow = (size * 4 + 31) / 32 * 4;
    const std::uint32_t maskRow = (size + 31) / 32 * 4;
    const std::uint32_t imageSize = 40 + 16 * 4 + colourRow * size + maskRow * size;
    u16(0), u16(1), u16(1);                                         // header: reserved, type, count
    u8(size % 256), u8(size % 256), u8(16), u8(0), u16(1), u16(4);  // entry
    u32(imageSize), u32(6 + 16);
    u32(40), u32(size), u32(size * 2), u16(1), u16(4), u32(0);  // bitmap header
    u32(colourRow * size + maskRow * size), u32(0), u32(0), u32(16), u32(0);
    for (int i = 0; i < 16; ++i)
        u32(i == 1 ? rgb : 0);  // palette, blue green red order in memory
    for (std::uint32_t i = 0; i < colourRow * size; ++i)
        u8(0x11);
    for (std::uint32_t i = 0; i < maskRow * size; ++i)
        u8(0x00);
    return out;
}

inline std::string AsString(const std::vector<std::uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}
