#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "skin/Bitmap.h"

// Uncompressed bitmap files: 1, 4, 8, 16, 24 and 32 bits per pixel, with an
// info header of 40 bytes or one of its longer successors, stored bottom-up
// or (negative height) top-down, 16/32-bit ones optionally with channel
// masks. Anything else, and any file whose sizes do not fit its length, is
// rejected as nothing; sizes are checked before anything is allocated.
std::optional<Bitmap> DecodeBmp(std::span<const uint8_t> file);

// A bottom-up file with a 40-byte info header (channel masks follow it when
// they differ from the defaults).
std::vector<uint8_t> EncodeBmp(const Bitmap& bitmap);
