#pragma once

#include <optional>

class Bitmap;
class QImage;

// For painting the skin: every supported depth becomes an opaque RGB32
// image (indexed pictures go through their colour table).
QImage ToQImage(const Bitmap& bitmap);

// Indexed8 and Mono images keep their indices and colour table, RGB888 and
// BGR888 become 24 bits, everything else 32 bits (alpha dropped). Nothing
// for a null image or one too large for a Bitmap.
std::optional<Bitmap> FromQImage(const QImage& image);
