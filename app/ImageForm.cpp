#include "app/ImageForm.h"

#include <QByteArray>
#include <QPainter>
#include <QRegion>

#include <cstdint>
#include <span>

#include "skin/ByteStream.h"
#include "skin/RegionData.h"
#include "skin/RegionQt.h"
#include "skin/SkinResources.h"

TfcImageForm::TfcImageForm(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TfcImageForm::SetPicture(const QImage& picture)
{
    // Palette pictures are converted once here rather than on every paint.
    FPicture = picture.convertToFormat(QImage::Format_RGB32);
    update();
}

void TfcImageForm::paintEvent(QPaintEvent*)
{
    if (FPicture.isNull())
        return;
    QPainter painter(this);
    painter.drawImage(0, 0, FPicture);
}

void TfcImageForm::LoadBuiltInSkin()
{
    SetPicture(QImage::fromData(BuiltInSkinPicture(), "BMP"));

    const QByteArray block = BuiltInRegionData();
    MemoryByteSource source(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(block.constData()),
                                                     static_cast<std::size_t>(block.size())));
    const RegionReadResult stored = ReadRegions(source);
    // An empty outline would make the window vanish: it counts as none.
    if (stored.status == RegionReadResult::Status::Loaded && !stored.region.IsEmpty() && window() != nullptr)
        window()->setMask(ToQRegion(stored.region));
}
