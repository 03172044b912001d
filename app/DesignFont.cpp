#include "app/DesignFont.h"

#include <cstring>

QString StandInFamily(const char* designedFamily)
{
    // Liberation Sans Narrow (Debian's fonts-liberation) is as wide as the
    // bitmap sans the dialogs were laid out with, or a little narrower; the
    // regular Liberation Sans runs the Set Time instruction past its box.
    if (std::strcmp(designedFamily, "MS Sans Serif") == 0)
        return QStringLiteral("Liberation Sans Narrow");
    // Comic Neue (fonts-comic-neue) is drawn after the designed face.
    if (std::strcmp(designedFamily, "Comic Sans MS") == 0)
        return QStringLiteral("Comic Neue");
    return QString::fromLatin1(designedFamily);
}

QFont DesignFont(const char* designedFamily, int pixels, bool bold)
{
    QFont font(StandInFamily(designedFamily));
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}
