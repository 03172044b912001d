#include "skin/SystemColorQt.h"

#include <QGuiApplication>
#include <QPalette>

#include <utility>

#include "skin/SystemColor.h"

namespace {

// The palette role of each system colour index the palette knows.
constexpr std::pair<uint32_t, QPalette::ColorRole> kRoles[] = {
    {4, QPalette::Button},            // menu
    {5, QPalette::Base},              // window
    {7, QPalette::WindowText},        // menu text
    {8, QPalette::WindowText},        // window text
    {13, QPalette::Highlight},        // highlight
    {14, QPalette::HighlightedText},  // highlight text
    {15, QPalette::Button},           // button face
    {16, QPalette::Mid},              // button shadow
    {18, QPalette::ButtonText},       // button text
    {20, QPalette::Light},            // button highlight
    {21, QPalette::Shadow},           // 3D dark shadow
    {22, QPalette::Button},           // 3D light
    {23, QPalette::ToolTipText},      // tooltip text
    {24, QPalette::ToolTipBase},      // tooltip background
};

}  // namespace

std::optional<uint32_t> PaletteSystemColor(uint32_t systemColor)
{
    const bool gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr;
    for (const auto& [index, role] : kRoles) {
        if (gui && IsSystemColor(systemColor) && (systemColor & 0xFFu) == index) {
            const QColor c = QGuiApplication::palette().color(QPalette::Active, role);
            return RgbColor(c.red(), c.green(), c.blue());
        }
    }
    return ClassicSystemColor(systemColor);
}
