#pragma once

#include <QApplication>

// The application object. A failure that escapes an event handler and
// reaches the message loop is shown in the exception box; the loop goes on.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};
