// Peer of the idle-cost benchmark: the floor for any clock on an X display
// that shows a new second at all. A precise 100 ms timer, and when the
// second changes one 30 x 50 picture that the server holds is copied into
// the window: one request a second on the display connection, no repaint.
#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <xcb/xcb.h>

#include <ctime>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("qt-copy-only"));
    window.resize(399, 201);
    window.show();
    auto* x11 = application.nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return 2;
    xcb_connection_t* connection = x11->connection();
    const auto target = static_cast<xcb_window_t>(window.winId());
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    const xcb_pixmap_t digits = xcb_generate_id(connection);
    xcb_create_pixmap(connection, screen->root_depth, digits, target, 300, 50);
    const xcb_gcontext_t gc = xcb_generate_id(connection);
    const std::uint32_t values[] = {screen->white_pixel, 0};
    xcb_create_gc(connection, gc, digits, XCB_GC_FOREGROUND | XCB_GC_GRAPHICS_EXPOSURES, values);
    const xcb_rectangle_t all = {0, 0, 300, 50};
    xcb_poly_fill_rectangle(connection, digits, gc, 1, &all);

    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(100);
    std::time_t shown = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const std::time_t now = std::time(nullptr);
        if (now == shown)
            return;
        shown = now;
        xcb_copy_area(connection, digits, target, gc, static_cast<std::int16_t>(now % 10 * 30), 0, 100, 50, 30, 50);
        xcb_flush(connection);
    });
    tick.start();
    return application.exec();
}
