#include <sys/prctl.h>

#include <clocale>
#include <exception>

#include <QByteArray>
#include <QCoreApplication>
#include <QScreen>

#include "app/Application.h"
#include "app/ClockTick.h"
#include "app/ExceptionBox.h"
#include "app/Form1.h"
#include "app/SingleInstance.h"
#include "settings/SystemDirectory.h"

namespace {

// The clock wakes ten times a second all day. A wake-up costs mostly the
// processor's way out of idle, which the kernel can share with another
// program's when it may move this one: the user-interface thread (and threads
// it starts later) gets ClockTick::kSlack of timer slack instead of 50
// microseconds, as a background program does. Nothing it waits for by time
// needs finer (ticks, menu and tooltip delays); input is not delayed, and the
// sound player starts its own threads with the default.
void AllowLateWakeUps()
{
    constexpr unsigned long kTimerSlackNs = ClockTick::kSlack * 1'000'000ul;
    prctl(PR_SET_TIMERSLACK, kTimerSlackNs, 0, 0, 0);  // a refusal leaves the default: nothing to report
}

}  // namespace

// The program takes no command line and always returns 0.
int main(int, char** argv)
{
    // The time text follows the user's locale.
    std::setlocale(LC_ALL, "");
    // The windows are laid out in pixels at 96 dpi and are not rescaled.
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");
    // Window positions are the program's own: use X (XWayland) when there.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && !qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "xcb");
    // The drag loop handles each pointer move with the position of the one
    // before; merged moves would land the window where the pointer stood earlier.
    QCoreApplication::setAttribute(Qt::AA_CompressHighFrequencyEvents, false);

    int qtArgc = 1;  // the command line is not read
    TApplication application(qtArgc, argv);
    try {
        // A clock already runs for this user and state directory: it shows
        // its window, and this start ends before it makes one.
        const std::string stateDirectory = SystemDirectory::Path();
        SingleInstance instance(QString::fromLocal8Bit(stateDirectory));
        if (!instance.Claim())
            return 0;
        TForm1 Form1;
        QObject::connect(&instance, &SingleInstance::ShowRequested, &Form1, &TForm1::Show1Click);
        const QRect screen = Form1.screen()->geometry();  // the window opens at its centre
        Form1.move(screen.x() + (screen.width() - Form1.width()) / 2,
                   screen.y() + (screen.height() - Form1.height()) / 2);
        if (Form1.ShowOnStart())
            Form1.show();
        AllowLateWakeUps();
        application.exec();
    } catch (const std::exception& error) {
        ShowException(error);
    }
    return 0;
}
