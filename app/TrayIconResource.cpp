#include "app/TrayIconResource.h"

#include "tray/Icon.h"

// Resources of a static library are registered only when something names
// them; this function does.
static void InitIconResources()
{
    Q_INIT_RESOURCE(icons);
}

void LoadBuiltInTrayIcon(TIcon& icon)
{
    InitIconResources();
    icon.LoadFromResource("ZUM");
}
