#include "skin/SkinResources.h"

#include <QByteArray>
#include <QFile>

// Resources of a static library are registered only when something names
// them; the accessor does, so any program that links zum_skin gets them.
static QByteArray ReadResource(const char* path)
{
    Q_INIT_RESOURCE(skin);
    QFile file(QString::fromLatin1(path));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray BuiltInSkinPicture()
{
    return ReadResource(":/skin/skin.bmp");
}
QByteArray BuiltInRegionData()
{
    return ReadResource(":/skin/RegionData.bin");
}
