#include "shell/power_off_watcher.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

namespace tarnwick {

namespace {

const QString service = QStringLiteral("org.freedesktop.login1");
const QString path = QStringLiteral("/org/freedesktop/login1");
const QString interface = QStringLiteral("org.freedesktop.login1.Manager");
constexpr int inhibitTimeoutMs = 2000;

} // namespace

PowerOffWatcher::PowerOffWatcher(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
    , m_bus(bus)
{
    if (!m_bus.isConnected())
        return;
    m_bus.connect(service, path, interface, QStringLiteral("PrepareForShutdown"), this,
                  SLOT(onPrepareForShutdown(bool)));
    takeInhibitor();
}

PowerOffWatcher::~PowerOffWatcher()
{
    releaseInhibitor();
}

void PowerOffWatcher::takeInhibitor()
{
    if (!m_bus.isConnected() || m_fd >= 0)
        return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Inhibit"));
    call << QStringLiteral("shutdown") << QStringLiteral("Tarnwick")
         << QStringLiteral("Unmounting network shares") << QStringLiteral("delay");
    // Synchronous, with a short limit: logind answers at once, and an asynchronous reply
    // stays referenced inside QtDBus long after it is read, keeping duplicates of the
    // descriptor open and so the lock held after we close ours.
    int fd = -1;
    {
        const QDBusMessage reply = m_bus.call(call, QDBus::Block, inhibitTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
            return;
        const auto handed = qdbus_cast<QDBusUnixFileDescriptor>(reply.arguments().constFirst());
        if (!handed.isValid())
            return;
        fd = ::fcntl(handed.fileDescriptor(), F_DUPFD_CLOEXEC, 0);
    }
    if (fd < 0)
        return;
    m_fd = fd;
    Q_EMIT inhibitorChanged(true);
}

void PowerOffWatcher::releaseInhibitor()
{
    if (m_fd < 0)
        return;
    ::close(m_fd);
    m_fd = -1;
    Q_EMIT inhibitorChanged(false);
}

void PowerOffWatcher::onPrepareForShutdown(bool starting)
{
    if (!starting) {
        // The power-off was cancelled: be ready for the next one.
        m_armed = true;
        takeInhibitor();
        return;
    }
    if (m_armed) {
        m_armed = false;
        Q_EMIT powerOffImminent();
    }
    releaseInhibitor();
}

} // namespace tarnwick
