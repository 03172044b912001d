#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

namespace {

const char kInterface[] = "io.github.zum.zum.Clock";
const char kObjectPath[] = "/io/github/zum/zum/Clock";
const QByteArray kShowRequest = QByteArrayLiteral("show\n");
// More than a request holds: the peer is not a later start.
constexpr qint64 kMaxRequestBytes = 64;
constexpr int kRequestTimeoutMs = 5000;

// The state directory as the file system names it, so that two spellings of
// one directory (a trailing slash, a symbolic link) are one clock.
QString CanonicalDirectory(const QString& directory)
{
    const QString canonical = QFileInfo(directory).canonicalFilePath();
    return canonical.isEmpty() ? QDir::cleanPath(QDir(directory).absolutePath()) : canonical;
}

// The user and a digest of the directory: short, and made only of
// characters that a bus name element and a file name both take.
QString Key(const QString& stateDirectory)
{
    const QByteArray digest =
        QCryptographicHash::hash(CanonicalDirectory(stateDirectory).toUtf8(), QCryptographicHash::Sha256);
    return QStringLiteral("u%1_%2").arg(::getuid()).arg(QString::fromLatin1(digest.toHex().left(32)));
}

QString RuntimeDirectory()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

}  // namespace

SingleInstance::SingleInstance(const QString& stateDirectory, QObject* parent) : QObject(parent)
{
    const QString key = Key(stateDirectory);
    FBusName = QStringLiteral("io.github.zum.zum.Clock.") + key;
    FSocketPath = RuntimeDirectory() + QStringLiteral("/zum-") + key;
}

SingleInstance::~SingleInstance()
{
    if (FServer != nullptr)
        FServer->close();  // removes the socket file before the lock goes
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
    if (outcome == Outcome::Other)
        return false;
    return true;
}

void SingleInstance::Show()
{
    emit ShowRequested();
}

SingleInstance::Outcome SingleInstance::ClaimOnBus()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr)
        return Outcome::Failed;
    const QString path = QString::fromLatin1(kObjectPath);
    if (!bus.registerObject(path, this, QDBusConnection::ExportScriptableSlots))
        return Outcome::Failed;
    const QDBusMessage show = QDBusMessage::createMethodCall(FBusName, path, QString::fromLatin1(kInterface),
                                                             QStringLiteral("Show"));
    // A clock that has just ended may still own the name until the bus has
    // seen its connection close; the request to it then finds no one, and
    // the name is tried again.
    const QDeadlineTimer deadline(kRequestTimeoutMs);
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
            bus.unregisterObject(path);
            return Outcome::Other;
        }
        QThread::msleep(20);
    }
    bus.unregisterObject(path);
    return Outcome::Failed;
}

SingleInstance::Outcome SingleInstance::ClaimBySocket()
{
    const QByteArray lockPath = (FSocketPath + QStringLiteral(".lock")).toLocal8Bit();
    FLockFd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (FLockFd < 0)
        return Outcome::Failed;
    // The running clock may hold the lock a moment before it listens, and a
    // clock that is ending may still hold it after it stopped listening.
    const QDeadlineTimer deadline(kRequestTimeoutMs);
    QLocalSocket socket;
    for (;;) {
        if (::flock(FLockFd, LOCK_EX | LOCK_NB) == 0) {
            // Whatever socket file is there belongs to no clock any more.
            QLocalServer::removeServer(FSocketPath);
            FServer = new QLocalServer(this);
            FServer->setSocketOptions(QLocalServer::UserAccessOption);
            if (FServer->listen(FSocketPath))
                AcceptRequests();
            // else a clock all the same, only out of a later start's reach
            return Outcome::Running;
        }
        socket.connectToServer(FSocketPath);
        if (socket.waitForConnected(qMax<qint64>(deadline.remainingTime(), 0))) {
            socket.write(kShowRequest);
            socket.waitForBytesWritten(qMax<qint64>(deadline.remainingTime(), 0));
            socket.disconnectFromServer();
            break;
        }
        if (deadline.hasExpired())
            break;
        QThread::msleep(20);
    }
    ::close(FLockFd);
    FLockFd = -1;
    return Outcome::Other;
}

void SingleInstance::AcceptRequests()
{
    connect(FServer, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = FServer->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            // A request is one line; anything else is ignored.
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (!client->canReadLine()) {
                    if (client->bytesAvailable() > kMaxRequestBytes)
                        client->disconnectFromServer();
                    return;
                }
                if (client->readLine(kShowRequest.size() + 1) == kShowRequest)
                    emit ShowRequested();
                client->disconnectFromServer();
            });
        }
    });
}
