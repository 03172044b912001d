// Feeds arbitrary bytes to the stored-outline reader. Whatever it accepts
// must be a canonical region that writes back to a block reading the same,
// and that the window system's region takes rectangle for rectangle.

#include <QRegion>
#include <cstdlib>

#include "skin/ByteStream.h"
#include "skin/RegionData.h"
#include "skin/RegionQt.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    MemoryByteSource source(std::span(data, size));
    const RegionReadResult result = ReadRegions(source);
    if (result.status != RegionReadResult::Status::Loaded) {
        if (!result.region.IsEmpty())
            std::abort();
        return 0;
    }
    if (!result.region.CheckInvariants().empty())
        std::abort();

    // Every accepted outline converts for the window, without overflow.
    const std::optional<QRegion> window = ToQRegionChecked(result.region);
    if (!window || window->isEmpty() != result.region.IsEmpty())
        std::abort();
    for (const Region::Rect& r : result.region.Rects()) {
        if (!window->contains(QPoint(r.left, r.top)) || !window->contains(QPoint(r.right - 1, r.bottom - 1)))
            std::abort();
    }

    VectorByteSink sink;
    WriteRegions(sink, result.region);
    MemoryByteSource again(sink.Bytes());
    const RegionReadResult reread = ReadRegions(again);
    const auto expected =
        result.region.IsEmpty() ? RegionReadResult::Status::NotStored : RegionReadResult::Status::Loaded;
    if (reread.status != expected || !(reread.region == result.region))
        std::abort();
    return 0;
}
