#include "skin/SystemColorQt.h"

#include <QGuiApplication>
#include <QPalette>

#include "skin/SystemColor.h"

namespace {

std::optional<QPalette::ColorRole> RoleFor(uint32_t index)
{
    switch (index) {
    case 4:   // menu
    case 15:  // button face
    case 22:  // 3D light
        return QPalette::Button;
    case 5:  // window
        return QPalette::Base;
    case 7:  // menu text
    case 8:  // window text
        return QPalette::WindowText;
    case 13:  // highlight
        return QPalette::Highlight;
    case 14:  // highlight text
        return QPalette::HighlightedText;
    case 16:  // button shadow
        return QPalette::Mid;
    case 18:  // button text
        return QPalette::ButtonText;
    case 20:  // button highlight
        return QPalette::Light;
    case 21:  // 3D dark shadow
        return QPalette::Shadow;
    case 23:  // tooltip text
        return QPalette::ToolTipText;
    case 24:  // tooltip background
        return QPalette::ToolTipBase;
    default:
        return std::nullopt;
    }
}

}  // namespace

std::optional<uint32_t> PaletteSystemColor(uint32_t systemColor)
{
    if (!IsSystemColor(systemColor))
        return std::nullopt;
    const auto role = RoleFor(systemColor & 0xFFu);
    if (!role || qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
        return ClassicSystemColor(systemColor);
    const QColor c = QGuiApplication::palette().color(QPalette::Active, *role);
    return static_cast<uint32_t>(c.red()) | static_cast<uint32_t>(c.green()) << 8 |
           static_cast<uint32_t>(c.blue()) << 16;
}
