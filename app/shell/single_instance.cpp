#include "shell/single_instance.h"

#include <QCryptographicHash>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>

#include <unistd.h>

namespace tarnwick {

namespace {

const QString objectPath = QStringLiteral("/com/lorvens/Tarnwick/Instance");
const QString interfaceName = QStringLiteral("com.lorvens.Tarnwick.Instance");
constexpr int handOverTimeoutMs = 3000;
// org.freedesktop.DBus.RequestName: fail rather than queue; the answer for a name we now own.
constexpr uint doNotQueue = 4;
constexpr uint primaryOwner = 1;

QString runtimeDirectory()
{
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return runtime.isEmpty() ? QDir::tempPath() : runtime;
}

} // namespace

SingleInstance::SingleInstance(const QString& key, QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_service(QStringLiteral("com.lorvens.Tarnwick.Instance_") + key)
    , m_lock(std::make_unique<QLockFile>(
          runtimeDirectory() + QStringLiteral("/tarnwick-%1-%2.lock").arg(::getuid()).arg(key)))
{
    m_lock->setStaleLockTime(0); // held for the whole run; stale only when its process is gone
}

SingleInstance::~SingleInstance()
{
    if (!m_owner)
        return;
    m_bus.unregisterObject(objectPath);
    m_bus.unregisterService(m_service);
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
    // The lock decides, atomically even for two launches at the same moment, and also
    // without a session bus; the bus only carries the request to show.
    if (!m_lock->tryLock(0) && m_lock->error() == QLockFile::LockFailedError) {
        // An instance that holds the lock but never answers is hung; starting a second
        // engine next to it would be worse than starting none.
        if (m_bus.isConnected())
            m_bus.call(QDBusMessage::createMethodCall(m_service, objectPath, interfaceName,
                                                      QStringLiteral("Activate")),
                       QDBus::Block, handOverTimeoutMs);
        return true;
    }
    if (!m_bus.isConnected())
        return false;
    m_bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots);
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    request << m_service << doNotQueue;
    const QDBusMessage reply = m_bus.call(request, QDBus::Block, handOverTimeoutMs);
    m_owner = reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
              reply.arguments().constFirst().toUInt() == primaryOwner;
    if (!m_owner)
        m_bus.unregisterObject(objectPath); // later launches then cannot ask us to show
    return false;
}

void SingleInstance::Activate()
{
    Q_EMIT activationRequested();
}

} // namespace tarnwick
