#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QThread>

namespace {

constexpr int kRequestTimeoutMs = 5000;

// The user and a digest of the directory as the file system names it (a
// trailing slash or a symbolic link is the same clock): short, and made only
// of characters that a bus name element and a file name both take.
QString Key(const QString& stateDirectory)
{
    QString directory = QFileInfo(stateDirectory).canonicalFilePath();
    if (directory.isEmpty())
        directory = QDir::cleanPath(QDir(stateDirectory).absolutePath());
    const QByteArray digest = QCryptographicHash::hash(directory.toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("u%1_%2").arg(::getuid()).arg(QString::fromLatin1(digest.toHex().left(32)));
}

}  // namespace

SingleInstance::SingleInstance(const QString& stateDirectory, QObject* parent) : QObject(parent)
{
    const QString key = Key(stateDirectory);
    FBusName = QStringLiteral("io.github.zum.zum.Clock.") + key;
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    FSocketPath = (runtime.isEmpty() ? QDir::tempPath() : runtime) + QStringLiteral("/zum-") + key;
}

SingleInstance::~SingleInstance()
{
    if (FListenFd >= 0) {
        // The socket file goes before the lock does.
        ::unlink(FSocketPath.toLocal8Bit().constData());
        ::close(FListenFd);
    }
    if (FOwnsBusName)
        QDBusConnection::sessionBus().unregisterService(FBusName);
    if (FLockFd >= 0)
        ::close(FLockFd);
}

bool SingleInstance::Claim()
{
    Outcome outcome = ClaimOnBus();
    if (outcome == Outcome::Failed)
        outcome = ClaimBySocket();
    return outcome != Outcome::Other;
}

SingleInstance::Outcome SingleInstance::ClaimOnBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr)
        return Outcome::Failed;
    const QString path = QStringLiteral("/io/github/zum/zum/Clock");
    if (!bus.registerObject(path, this, QDBusConnection::ExportScriptableSlots))
        return Outcome::Failed;
    const QDBusMessage show = QDBusMessage::createMethodCall(FBusName, path, QStringLiteral("io.github.zum.zum.Clock"),
                                                             QStringLiteral("Show"));
    // A clock that has just ended may own the name until the bus sees its
    // connection close; the request then finds no one and the name is tried again.
    const QDeadlineTimer deadline(kRequestTimeoutMs);
    Outcome outcome = Outcome::Failed;
    for (;;) {
        const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = bus.interface()->registerService(
            FBusName, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
        if (!reply.isValid())
            break;
        if (reply.value() == QDBusConnectionInterface::ServiceRegistered) {
            FOwnsBusName = true;
            return Outcome::Running;
        }
        const QDBusMessage answer = bus.call(show, QDBus::Block, kRequestTimeoutMs);
        const bool ownerGone = answer.type() == QDBusMessage::ErrorMessage &&
                               (answer.errorName() == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown") ||
                                answer.errorName() == QStringLiteral("org.freedesktop.DBus.Error.NameHasNoOwner"));
        if (!ownerGone || deadline.hasExpired()) {
            outcome = Outcome::Other;
            break;
        }
        QThread::msleep(20);
    }
    bus.unregisterObject(path);
    return outcome;
}

SingleInstance::Outcome SingleInstance::ClaimBySocket()
{
    const QByteArray socketPath = FSocketPath.toLocal8Bit();
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (socketPath.size() >= static_cast<qsizetype>(sizeof address.sun_path))
        return Outcome::Failed;  // the path does not fit a socket address
    std::memcpy(address.sun_path, socketPath.constData(), static_cast<std::size_t>(socketPath.size()));
    FLockFd = ::open((socketPath + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (FLockFd < 0)
        return Outcome::Failed;
    // The running clock may hold the lock a moment before it listens, and a
    // clock that is ending may still hold it after it stopped listening.
    const QDeadlineTimer deadline(kRequestTimeoutMs);
    for (;;) {
        if (::flock(FLockFd, LOCK_EX | LOCK_NB) == 0) {
            Listen(address);  // a clock all the same should it fail: only out of a later start's reach
            return Outcome::Running;
        }
        // A connection is the whole request: only this user can make one.
        const int peer = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const bool asked =
            peer >= 0 && ::connect(peer, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
        if (peer >= 0)
            ::close(peer);
        if (asked || deadline.hasExpired())
            break;
        QThread::msleep(20);
    }
    ::close(FLockFd);
    FLockFd = -1;
    return Outcome::Other;
}

void SingleInstance::Listen(const sockaddr_un& address)
{
    // Whatever socket file is there belongs to no clock any more.
    ::unlink(address.sun_path);
    FListenFd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (FListenFd < 0)
        return;
    // Made with no access for others from the start.
    const mode_t oldMask = ::umask(0077);
    const bool bound = ::bind(FListenFd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::umask(oldMask);
    if (!bound || ::listen(FListenFd, 4) != 0) {
        ::close(FListenFd);
        FListenFd = -1;
        return;
    }
    auto* notifier = new QSocketNotifier(FListenFd, QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        bool asked = false;
        for (int peer; (peer = ::accept4(FListenFd, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) {
            ::close(peer);
            asked = true;
        }
        if (asked)
            emit ShowRequested();
    });
}
