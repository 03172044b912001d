#include "app/Application.h"

#include <QFont>

#include "app/ExceptionBox.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The window layouts name these families; map them to fonts a Linux
    // desktop has (fontconfig aliases may do the same already).
    QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"));
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("DejaVu Sans"), QStringLiteral("Liberation Sans"),
                                QStringLiteral("Sans Serif")});
    setStyle(QStringLiteral("Fusion"));
    setQuitOnLastWindowClosed(true);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        ShowException(error);
    }
    return false;
}
