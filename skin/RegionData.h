#pragma once

#include <optional>

#include "skin/Region.h"

class ByteSink;
class ByteSource;

// The stored window outline ("RegionData"): a signed 32-bit little-endian
// count N of the bytes that follow, then, when N > 0, N bytes of region data:
//   header size (32), type (1 = rectangles), rectangle count C,
//   list size (16 * C), bounding rectangle, then C rectangles
// with every field a little-endian 32-bit integer and rectangles as
// left, top, right, bottom (right and bottom exclusive). N == 32 + 16 * C.
// N == 0 means no stored outline: the outline is computed from the picture.
namespace region_data {

// True when a window system's rectangle can hold the whole region: its
// bounding rectangle's width and height are 32-bit numbers, and it stays
// clear of the lowest coordinate (whose left neighbour is not a number).
bool FitsWindow(const Region& region);

}  // namespace region_data

// Writes the whole block for the outline to store: count 0 when there is no
// outline (no region, or an empty one) or when it cannot be encoded, so the
// block is never cut short.
void WriteRegions(ByteSink& sink, const std::optional<Region>& region);

struct RegionReadResult {
    enum class Status {
        NotStored,  // count 0: compute the outline from the picture
        Loaded,     // region holds the stored outline
        Rejected,   // malformed block: no outline
    };
    Status status = Status::NotStored;
    Region region;
};

// Reads one block. Never reads past the N bytes it announces and never holds
// much more memory than the source has actually delivered.
RegionReadResult ReadRegions(ByteSource& source);
