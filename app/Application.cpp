#include "app/Application.h"

#include "app/ExceptionBox.h"

TApplication::TApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setStyle(QStringLiteral("Fusion"));
    // The program ends when the main window closes (TForm1::closeEvent), not
    // with the last visible window, which may be a box while it is in the tray.
    setQuitOnLastWindowClosed(false);
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    RunGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
