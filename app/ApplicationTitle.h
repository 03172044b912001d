#pragma once

#include <QString>

// The application title: the caption of the program's message boxes. It is
// deliberately not Qt's application display name, which Qt would append to
// every window title.
inline QString ApplicationTitle()
{
    return QStringLiteral("Z.U.M  V.1.3");
}
