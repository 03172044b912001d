#include <clocale>
#include <exception>

#include <QByteArray>
#include <QCoreApplication>
#include <QScreen>

#include "app/Application.h"
#include "app/ExceptionBox.h"
#include "app/Form1.h"

namespace {

void PlaceAtScreenCentre(QWidget& window)
{
    const QRect screen = window.screen()->geometry();
    window.move(screen.x() + (screen.width() - window.width()) / 2,
                screen.y() + (screen.height() - window.height()) / 2);
}

}  // namespace

// The program takes no command line and always returns 0.
int main(int argc, char** argv)
{
    // The time text follows the user's locale.
    std::setlocale(LC_ALL, "");
    // The windows are laid out in pixels at 96 dpi and are not rescaled.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    // Window positions are the program's own: use X (XWayland) when there.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // The window is small and a new second repaints a few hundred pixels of
    // it: sent over the X connection, they cost less than a shared-memory
    // image, which makes every repaint wait for the server to finish with
    // the previous one (a round trip and two thread switches a second).
    if (!qEnvironmentVariableIsSet("QT_XCB_NO_MITSHM"))
        qputenv("QT_XCB_NO_MITSHM", "1");

    // The drag loop handles each pointer move with the position of the move
    // before it; moves merged into one would land the window where the
    // pointer stood some moves ago.
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);

    // The framework's plain event loop, not GLib's: the clock wakes ten
    // times a second for the whole day, and GLib's loop costs twice as many
    // instructions a wake-up (its sources prepared, polled and checked
    // every time). Nothing here needs GLib's loop: the sound service's
    // reports come through a descriptor the framework watches. Only this
    // process's main thread is meant: the variable goes again once the
    // loop is made, and so never reaches a program started from here.
    const bool plainLoop = qEnvironmentVariableIsEmpty("QT_NO_GLIB");
    if (plainLoop)
        qputenv("QT_NO_GLIB", "1");
    int qtArgc = 1;  // the command line is not read
    TApplication application(qtArgc, argv);
    if (plainLoop)
        qunsetenv("QT_NO_GLIB");
    (void)argc;
    try {
        TForm1 Form1;
        PlaceAtScreenCentre(Form1);
        if (Form1.ShowOnStart())
            Form1.show();
        application.exec();
    } catch (const std::exception& error) {
        ShowException(error);
    }
    return 0;
}
