#include "app/TrayIconResource.h"

#include <QByteArray>
#include <QFile>

#include <vector>

#include "tray/Icon.h"

// Resources of a static library are registered only when something names
// them; this function does.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

void LoadBuiltInTrayIcon(TIcon& icon)
{
    InitIconResources();
    QFile file(QStringLiteral(":/icons/ZUM"));
    if (!file.open(QIODevice::ReadOnly)) {
        icon.Clear();
        return;
    }
    const QByteArray bytes = file.readAll();
    icon.LoadFromBytes(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
}
