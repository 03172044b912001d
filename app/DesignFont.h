#pragma once

#include <QFont>

// The font a control was designed with, by the designed family's name ("MS
// Sans Serif", "Comic Sans MS"), at a size in pixels. Those families are not
// on a Linux desktop; each maps to an installed face, named by its own family
// (fontconfig answers an unknown one with its default sans before Qt looks at
// substitutions), whose metrics keep every fixed-size caption inside its
// designed box. A family not listed is taken as it is.
QFont DesignFont(const char* designedFamily, int pixels, bool bold);

// The installed family that stands in for a designed one.
QString StandInFamily(const char* designedFamily);
