#pragma once

#include <QFont>

// The font a control was designed with, by the designed family's name ("MS
// Sans Serif", "Comic Sans MS"), at a size in pixels. Those families are
// not on a Linux desktop; each maps to an installed face whose metrics keep
// every fixed-size caption inside its designed box. The face is named by
// its own family, not by the designed one: for an unknown family fontconfig
// answers with its default sans before Qt's substitutions are looked at, so
// a substitution would never take effect. A family not listed is taken as
// it is.
QFont DesignFont(const char* designedFamily, int pixels, bool bold);

// The installed family that stands in for a designed one.
QString StandInFamily(const char* designedFamily);
