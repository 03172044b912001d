#include "skin/SystemColor.h"

#include <array>

namespace {

constexpr std::array<uint32_t, 31> kClassic = {
    RgbColor(212, 208, 200),  // scroll bar
    RgbColor(58, 110, 165),   // desktop
    RgbColor(10, 36, 106),    // active caption
    RgbColor(128, 128, 128),  // inactive caption
    RgbColor(212, 208, 200),  // menu
    RgbColor(255, 255, 255),  // window
    RgbColor(0, 0, 0),        // window frame
    RgbColor(0, 0, 0),        // menu text
    RgbColor(0, 0, 0),        // window text
    RgbColor(255, 255, 255),  // caption text
    RgbColor(212, 208, 200),  // active border
    RgbColor(212, 208, 200),  // inactive border
    RgbColor(128, 128, 128),  // application workspace
    RgbColor(10, 36, 106),    // highlight
    RgbColor(255, 255, 255),  // highlight text
    RgbColor(212, 208, 200),  // button face
    RgbColor(128, 128, 128),  // button shadow
    RgbColor(128, 128, 128),  // grey text
    RgbColor(0, 0, 0),        // button text
    RgbColor(212, 208, 200),  // inactive caption text
    RgbColor(255, 255, 255),  // button highlight
    RgbColor(64, 64, 64),     // 3D dark shadow
    RgbColor(212, 208, 200),  // 3D light
    RgbColor(0, 0, 0),        // tooltip text
    RgbColor(255, 255, 225),  // tooltip background
    RgbColor(181, 181, 181),  // (unused slot)
    RgbColor(0, 0, 128),      // hot-tracked item
    RgbColor(166, 202, 240),  // active caption gradient
    RgbColor(192, 192, 192),  // inactive caption gradient
    RgbColor(49, 106, 197),   // menu highlight
    RgbColor(236, 233, 216),  // menu bar
};

}  // namespace

std::optional<uint32_t> ClassicSystemColor(uint32_t systemColor)
{
    const uint32_t index = systemColor & 0xFFu;
    if (!IsSystemColor(systemColor) || index >= kClassic.size())
        return std::nullopt;
    return kClassic[index];
}
