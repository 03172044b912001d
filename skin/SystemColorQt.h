#pragma once

#include <cstdint>
#include <optional>

// Resolves a system colour through the running application's palette, and
// through the classic defaults where the palette has no matching role or no
// GUI application exists.
std::optional<uint32_t> PaletteSystemColor(uint32_t systemColor);
