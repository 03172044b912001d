#pragma once

#include <cstdint>
#include <functional>
#include <optional>

// Colour values are 0x00BBGGRR. Values with the high bit set name a system
// colour by the index in their low byte; clNone names no colour at all.
inline constexpr uint32_t clNone = 0x1FFFFFFF;

inline bool IsSystemColor(uint32_t color)
{
    return (color & 0x80000000u) != 0;
}

// The colour value of three channels of 0..255.
constexpr uint32_t RgbColor(uint32_t red, uint32_t green, uint32_t blue)
{
    return red | green << 8 | blue << 16;
}

// Turns a system colour value into its current 0x00BBGGRR colour, or nothing
// when the index is unknown. Injected so the region code never needs a GUI.
using SystemColorResolver = std::function<std::optional<uint32_t>(uint32_t systemColor)>;

// The classic desktop defaults for the 31 standard system colour indices.
std::optional<uint32_t> ClassicSystemColor(uint32_t systemColor);
