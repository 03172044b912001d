// Peer of the idle-cost benchmark: a Qt Widgets program whose only work is
// a precise 100 ms timer, the framework's own floor for a 10 Hz tick. Its
// window is empty and never repaints after it shows.
#include <QApplication>
#include <QTimer>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("qt-timer-only"));
    window.resize(399, 201);
    window.show();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(100);
    int ticks = 0;
    QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
    tick.start();
    return application.exec() + (ticks < 0 ? 1 : 0);
}
