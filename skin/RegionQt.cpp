#include "skin/RegionQt.h"

#include <QRect>
#include <QRegion>
#include <vector>

#include "skin/Region.h"
#include "skin/RegionData.h"

std::optional<QRegion> ToQRegionChecked(const Region& region)
{
    if (!region_data::FitsWindow(region))
        return std::nullopt;
    std::vector<QRect> rects;
    rects.reserve(region.Rects().size());
    for (const Region::Rect& r : region.Rects())
        rects.emplace_back(r.left, r.top, r.right - r.left, r.bottom - r.top);
    QRegion out;
    out.setRects(rects.data(), static_cast<int>(rects.size()));
    return out;
}

QRegion ToQRegion(const Region& region)
{
    return ToQRegionChecked(region).value_or(QRegion());
}
