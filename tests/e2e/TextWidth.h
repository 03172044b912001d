#pragma once

#include <QString>

// Width in pixels of the ink of a text drawn in the given font, measured the
// way the program itself lays text out (same font machinery, no screen).
int inkWidth(const QString& family, int pixelSize, bool bold, const QString& text);
