#pragma once

#include <QObject>
#include <QString>

struct sockaddr_un;

// One clock per user and state directory: the first start becomes the
// running clock; a later start asks it to show its window and ends without
// a window of its own. Where a session bus is reachable the running clock
// owns a well-known name on it, which the bus releases however the process
// goes. Without a bus it holds an exclusive lock on a file in
// $XDG_RUNTIME_DIR for its whole life and listens on a local socket beside
// it, reachable by this user alone; a later start's connection is its
// request. The lock, not the socket file, tells whether a clock runs: a
// killed clock's socket file is replaced by the next start.
class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "io.github.zum.zum.Clock")
public:
    // `stateDirectory` is the machine-wide state directory the clock uses;
    // clocks on other directories, or of other users, are other clocks.
    explicit SingleInstance(const QString& stateDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when this process is now the running clock, also when neither
    // channel can be set up. False when another runs; it has then been asked
    // to show its window (a request that cannot be delivered is dropped).
    bool Claim();

public slots:
    // Called over the bus by a later start.
    Q_SCRIPTABLE void Show() { emit ShowRequested(); }

signals:
    // A later start asked for the window.
    void ShowRequested();

private:
    enum class Outcome { Running, Other, Failed };
    Outcome ClaimOnBus();
    Outcome ClaimBySocket();
    void Listen(const sockaddr_un& address);

    QString FBusName;
    QString FSocketPath;
    bool FOwnsBusName = false;
    int FLockFd = -1;
    int FListenFd = -1;
};
