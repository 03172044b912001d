#pragma once

#include <cstdint>

// What the user did to an icon in the tray: released the left button on it,
// double-clicked it with the left button, or released the right button on
// it (asked for its menu).
enum class TTrayActivation : std::uint8_t { Click, DoubleClick, Context };
