#pragma once

class TIcon;

// The main window's tray icon: one 32 x 32 image in 16 colours, the icon
// resource "ZUM" built into the program.
void LoadBuiltInTrayIcon(TIcon& icon);
