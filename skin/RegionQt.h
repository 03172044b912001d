#pragma once

class QRegion;
class Region;

// The outline as the window system takes it (QWidget::setMask). The banded
// rectangle list is handed over as it is.
QRegion ToQRegion(const Region& region);
