#include "shell/single_instance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#include <unistd.h>

namespace tarnwick {

namespace {

const QByteArray request = QByteArrayLiteral("show\n");
const QByteArray answer = QByteArrayLiteral("ok\n");
constexpr int handOverTimeoutMs = 3000;

QString runtimeDirectory()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (!runtime.isEmpty())
        return runtime;
    return QDir::tempPath();
}

} // namespace

SingleInstance::SingleInstance(const QString& key, QObject* parent)
    : QObject(parent)
    , m_socketPath(runtimeDirectory() +
                   QStringLiteral("/tarnwick-%1-%2.socket").arg(::getuid()).arg(key))
{
}

SingleInstance::~SingleInstance()
{
    if (m_server)
        m_server->close(); // removes the socket file
}

QString SingleInstance::keyFor(const QString& settingsPath)
{
    if (settingsPath.isEmpty())
        return QStringLiteral("default");
    const QByteArray canonical = QFileInfo(settingsPath).absoluteFilePath().toUtf8();
    return QString::fromLatin1(
        QCryptographicHash::hash(canonical, QCryptographicHash::Sha256).toHex().left(16));
}

bool SingleInstance::handOverOrListen()
{
    // Two launches at the same moment must not both find no instance and both listen.
    QLockFile lock(m_socketPath + QStringLiteral(".lock"));
    lock.setStaleLockTime(10'000);
    lock.tryLock(handOverTimeoutMs);
    if (askRunningInstance())
        return true;
    QLocalServer::removeServer(m_socketPath); // left behind by a crashed instance
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    m_server->listen(m_socketPath);
    return false;
}

bool SingleInstance::askRunningInstance() const
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(handOverTimeoutMs))
        return false;
    socket.write(request);
    socket.waitForBytesWritten(handOverTimeoutMs);
    // An instance that accepts but never answers is hung; starting a second engine next
    // to it would be worse than starting none.
    while (!socket.canReadLine() && socket.waitForReadyRead(handOverTimeoutMs)) {
    }
    return true;
}

void SingleInstance::acceptConnections()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            if (socket->readLine() == request) {
                socket->write(answer);
                socket->flush();
                Q_EMIT activationRequested();
            }
            socket->disconnectFromServer();
        });
    }
}

} // namespace tarnwick
