// Peer of the idle-cost benchmark: the framework's floor for a clock that
// repaints once a second. A precise 100 ms timer, and when the second
// changes one 30 x 50 area of an opaque window is repainted from a picture
// drawn at start: no text layout, no transparency, nothing but the tick and
// the smallest repaint the framework makes.
#include <QApplication>
#include <QPainter>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <array>
#include <ctime>

namespace {

class Digits : public QWidget {
public:
    Digits()
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            pictures[i] = QPixmap(30, 50);
            pictures[i].fill(Qt::darkBlue);
            QPainter painter(&pictures[i]);
            QFont font = painter.font();
            font.setPixelSize(40);
            painter.setFont(font);
            painter.setPen(Qt::cyan);
            painter.drawText(pictures[i].rect(), Qt::AlignCenter, QString::number(i));
        }
    }
    std::size_t digit = 0;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::darkBlue);
        painter.drawPixmap(100, 50, pictures[digit]);
    }

private:
    std::array<QPixmap, 10> pictures;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    Digits window;
    window.setWindowTitle(QStringLiteral("qt-repaint-only"));
    window.resize(399, 201);
    window.show();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(100);
    std::time_t shown = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const std::time_t now = std::time(nullptr);
        if (now == shown)
            return;
        shown = now;
        window.digit = static_cast<std::size_t>(now % 10);
        window.update(100, 50, 30, 50);
    });
    tick.start();
    return application.exec();
}
