#include "app/Application.h"

#include "app/ExceptionBox.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
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
