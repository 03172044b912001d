#include "app/ApplicationTitle.h"

#include <QString>

QString ApplicationTitle()
{
    return QStringLiteral("Z.U.M  V.1.3");
}
