// Peer of the idle-cost benchmark: the plainest Qt clock, a label whose
// text a precise 100 ms timer sets when the second changes.
#include <QApplication>
#include <QDateTime>
#include <QLabel>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QLabel label;
    label.setWindowTitle(QStringLiteral("qt-clock"));
    QFont font = label.font();
    font.setPixelSize(48);
    font.setBold(true);
    label.setFont(font);
    label.resize(399, 201);
    label.show();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(100);
    qint64 shown = -1;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 second = QDateTime::currentSecsSinceEpoch();
        if (second != shown) {
            shown = second;
            label.setText(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")));
        }
    });
    tick.start();
    return application.exec();
}
