// Feeds arbitrary bytes to the picture loader, and every picture it accepts
// to the outline scan, which must give a canonical region of exactly the
// pixels whose colour differs from the bottom-left one.

#include <algorithm>
#include <cstdlib>

#include "tests/support/BmpFile.h"
#include "skin/RegionFromBitmap.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto bitmap = DecodeBmp(std::span(data, size));
    if (!bitmap)
        return 0;
    if (bitmap->Pixels().size() != bitmap->Stride() * static_cast<size_t>(bitmap->Height()))
        std::abort();

    const uint32_t key = bitmap->IsEmpty() ? 0u : bitmap->ColorAt(0, bitmap->Height() - 1);
    const auto region = fcCreateRegionFromBitmap(*bitmap, key);
    if (region) {
        if (region->IsEmpty() || !region->CheckInvariants().empty())
            std::abort();
        const auto& b = region->Bounds();
        if (b.left < 0 || b.top < 0 || b.right > bitmap->Width() || b.bottom > bitmap->Height())
            std::abort();
    } else if (bitmap->IsEmpty()) {
        return 0;
    }
    // Compare a bounded window of pixels with their colours.
    for (int32_t y = 0; y < std::min(bitmap->Height(), 64); ++y)
        for (int32_t x = 0; x < std::min(bitmap->Width(), 256); ++x) {
            const bool opaque = bitmap->ColorAt(x, y) != key;
            if ((region && region->Contains(x, y)) != opaque)
                std::abort();
        }

    const auto again = DecodeBmp(EncodeBmp(*bitmap));
    if (!again || again->Width() != bitmap->Width() || again->Height() != bitmap->Height())
        std::abort();
    return 0;
}
