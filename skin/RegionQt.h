#pragma once

#include <optional>

class QRegion;
class Region;

// The outline as the window system takes it (QWidget::setMask). The banded
// rectangle list is handed over as it is. Nothing when the region does not
// fit the window system's 32-bit rectangles (region_data::FitsWindow).
std::optional<QRegion> ToQRegionChecked(const Region& region);

// As ToQRegionChecked, with the empty QRegion for a region that does not
// fit. Only for drawing (clipping); a window mask must use the checked form,
// since an empty mask hides the whole window.
QRegion ToQRegion(const Region& region);
