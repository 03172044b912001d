#include "app/Application.h"

#include <QFont>

#include "app/ExceptionBox.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    // The window layouts name these families; map them to fonts a Linux
    // desktop has (fontconfig aliases may do the same already).
    QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"));
    // Liberation Sans is close to the metrics the layouts were designed
    // with; DejaVu Sans is wider but always there.
    QFont::insertSubstitutions(QStringLiteral("MS Sans Serif"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Nimbus Sans"),
                                QStringLiteral("DejaVu Sans Condensed"), QStringLiteral("DejaVu Sans")});
    setStyle(QStringLiteral("Fusion"));
    // The main window may be hidden in the tray while a message box is the
    // last window on screen; the program ends when the main window closes
    // (see TForm1::closeEvent), not when the last visible window does.
    setQuitOnLastWindowClosed(false);
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
