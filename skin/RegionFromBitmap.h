#pragma once

#include <cstdint>
#include <optional>

#include "skin/Region.h"
#include "skin/SystemColor.h"

class Bitmap;

// True for 24 bits per pixel only; 32-bit pictures take the mask path.
bool fcIsTrueColorBitmap(const Bitmap& bitmap);

// The outline of a picture: every pixel whose colour differs from the
// transparent colour, or nothing for an empty picture or one without any
// opaque pixel. The result equals the union, in scan order, of every maximal
// opaque run of every row, but is built band by band in one pass.
//
// 24-bit pictures compare the transparent colour unchanged, so a system
// colour or clNone matches no pixel there. Other formats compare colours
// exactly on red, green and blue; a system colour is resolved first (one
// that does not resolve matches nothing), and clNone matches nothing.
std::optional<Region> fcCreateRegionFromBitmap(const Bitmap& bitmap, uint32_t transparentColor,
                                               const SystemColorResolver& resolveSystemColor = ClassicSystemColor);
