#include "TextWidth.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <cstdlib>
#include <memory>

namespace {

// Font metrics need a GUI application; the tests have none of their own, so
// one is made on first use and lives until the test program ends. It never
// shows anything, so it runs on the offscreen platform whatever the display.
void ensureApplication()
{
    static std::unique_ptr<QGuiApplication> app = [] {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "zum-e2e";
        static char* argv[] = {name, nullptr};
        return std::make_unique<QGuiApplication>(argc, argv);
    }();
}

}  // namespace

int inkWidth(const QString& family, int pixelSize, bool bold, const QString& text)
{
    ensureApplication();
    QFont font(family);
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    return QFontMetrics(font).tightBoundingRect(text).width();
}
