#include "shell/single_instance.h"

#include <QCryptographicHash>
#include <QDBusMessage>
#include <QFileInfo>

namespace tarnwick {

namespace {

const QString objectPath = QStringLiteral("/com/lorvens/Tarnwick/Instance");
const QString interfaceName = QStringLiteral("com.lorvens.Tarnwick.Instance");
constexpr int handOverTimeoutMs = 3000;
// org.freedesktop.DBus.RequestName: fail rather than queue; the answer for a name we now own.
constexpr uint doNotQueue = 4;
constexpr uint primaryOwner = 1;

} // namespace

SingleInstance::SingleInstance(const QString& key, QDBusConnection bus, QObject* parent)
    : QObject(parent)
    , m_bus(std::move(bus))
    , m_service(QStringLiteral("com.lorvens.Tarnwick.Instance_") + key)
{
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
    if (!m_bus.isConnected())
        return false;
    // The object first: a launch that sees the name taken may call it at once.
    m_bus.registerObject(objectPath, this, QDBusConnection::ExportScriptableSlots);
    QDBusMessage request = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("RequestName"));
    request << m_service << doNotQueue;
    const QDBusMessage reply = m_bus.call(request, QDBus::Block, handOverTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        m_bus.unregisterObject(objectPath);
        return false; // a bus that does not answer cannot tell us about another instance
    }
    if (reply.arguments().constFirst().toUInt() == primaryOwner) {
        m_owner = true;
        return false;
    }
    m_bus.unregisterObject(objectPath);
    // An instance that owns the name but never answers is hung; starting a second engine
    // next to it would be worse than starting none.
    m_bus.call(QDBusMessage::createMethodCall(m_service, objectPath, interfaceName,
                                              QStringLiteral("Activate")),
               QDBus::Block, handOverTimeoutMs);
    return true;
}

void SingleInstance::Activate()
{
    Q_EMIT activationRequested();
}

} // namespace tarnwick
