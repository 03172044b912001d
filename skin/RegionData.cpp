#include "skin/RegionData.h"

#include <algorithm>
#include <limits>

#include "common/ByteOrder.h"
#include "skin/ByteStream.h"

namespace {

using ByteOrder::LoadI32;
using ByteOrder::LoadU32;
using ByteOrder::StoreU32;

constexpr int32_t kHeaderSize = 32;
constexpr int32_t kTypeRectangles = 1;
constexpr size_t kRectSize = 16;
// Far beyond any window outline; keeps a damaged count from asking for
// gigabytes before the data is even there.
constexpr uint32_t kMaxRectangles = 1u << 20;
constexpr size_t kReadChunk = 64 * 1024;

void PutRect(uint8_t* p, const Region::Rect& r)
{
    for (const int32_t v : {r.left, r.top, r.right, r.bottom}) {
        StoreU32(p, static_cast<uint32_t>(v));
        p += 4;
    }
}

// The N bytes of region data for a region (its header alone for the empty
// region), or nothing when the region has too many rectangles to store.
std::optional<std::vector<uint8_t>> Encode(const Region& region)
{
    const auto& rects = region.Rects();
    if (rects.size() > kMaxRectangles)
        return std::nullopt;
    const auto count = static_cast<uint32_t>(rects.size());
    std::vector<uint8_t> out(kHeaderSize + kRectSize * rects.size());
    StoreU32(&out[0], kHeaderSize);
    StoreU32(&out[4], kTypeRectangles);
    StoreU32(&out[8], count);
    StoreU32(&out[12], count * static_cast<uint32_t>(kRectSize));
    PutRect(&out[16], region.Bounds());
    for (size_t i = 0; i < rects.size(); ++i)
        PutRect(&out[kHeaderSize + i * kRectSize], rects[i]);
    return out;
}

// Builds the union of the rectangles in exactly N bytes of region data, in
// whatever order they come; empty rectangles add nothing. Nothing when the
// header, the count or the sizes do not fit together, or when the union does
// not fit a window (FitsWindow). The bounding rectangle is not trusted.
std::optional<Region> Decode(std::span<const uint8_t> data)
{
    if (data.size() < static_cast<size_t>(kHeaderSize))
        return std::nullopt;
    if (LoadI32(&data[0]) != kHeaderSize || LoadI32(&data[4]) != kTypeRectangles)
        return std::nullopt;
    const uint32_t count = LoadU32(&data[8]);
    const uint32_t listSize = LoadU32(&data[12]);
    if (count > kMaxRectangles || listSize != count * kRectSize || data.size() != kHeaderSize + size_t{listSize})
        return std::nullopt;

    std::vector<Region::Rect> rects(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = &data[kHeaderSize + i * kRectSize];
        rects[i] = {LoadI32(p), LoadI32(p + 4), LoadI32(p + 8), LoadI32(p + 12)};
    }
    // Checked on the union: rectangles that fit may join into one that does
    // not, and one that does not may be cut into bands that do.
    Region region = Region::FromRects(rects);
    if (!region_data::FitsWindow(region))
        return std::nullopt;
    return region;
}

}  // namespace

bool region_data::FitsWindow(const Region& region)
{
    const Region::Rect& b = region.Bounds();
    constexpr int64_t kMax = std::numeric_limits<int32_t>::max();
    constexpr int32_t kMin = std::numeric_limits<int32_t>::min();
    return region.IsEmpty() ||
           (int64_t{b.right} - b.left <= kMax && int64_t{b.bottom} - b.top <= kMax && b.left > kMin && b.top > kMin);
}

void WriteRegions(ByteSink& sink, const std::optional<Region>& region)
{
    // Encode before the count goes out, so a failure leaves a complete block.
    std::optional<std::vector<uint8_t>> data;
    if (region && !region->IsEmpty())
        data = Encode(*region);
    uint8_t countBytes[4];
    StoreU32(countBytes, data ? static_cast<uint32_t>(data->size()) : 0);
    sink.Write(countBytes, sizeof countBytes);
    if (data)
        sink.Write(data->data(), data->size());
}

RegionReadResult ReadRegions(ByteSource& source)
{
    RegionReadResult result{RegionReadResult::Status::Rejected, {}};
    uint8_t countBytes[4];
    if (source.Read(countBytes, sizeof countBytes) != sizeof countBytes)
        return result;
    const int32_t n = LoadI32(countBytes);
    if (n == 0)
        return {};  // nothing stored

    constexpr size_t kMaxSize = kHeaderSize + kMaxRectangles * kRectSize;
    if (n < kHeaderSize || static_cast<size_t>(n) > kMaxSize)
        return result;

    // Grow the buffer only as far as the source keeps delivering.
    std::vector<uint8_t> data;
    const auto size = static_cast<size_t>(n);
    while (data.size() < size) {
        const size_t chunk = std::min(kReadChunk, size - data.size());
        const size_t at = data.size();
        data.resize(at + chunk);
        if (source.Read(data.data() + at, chunk) != chunk)
            return result;
    }
    if (auto region = Decode(data))
        return {RegionReadResult::Status::Loaded, std::move(*region)};
    return result;
}
