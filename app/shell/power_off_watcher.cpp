#include "shell/power_off_watcher.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusUnixFileDescriptor>

#include <fcntl.h>
#include <unistd.h>

namespace tarnwick {

namespace {

const QString service = QStringLiteral("org.freedesktop.login1");
const QString path = QStringLiteral("/org/freedesktop/login1");
const QString interface = QStringLiteral("org.freedesktop.login1.Manager");

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
    if (!m_bus.isConnected() || m_fd >= 0 || m_asking)
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface,
                                                       QStringLiteral("Inhibit"));
    call << QStringLiteral("shutdown") << QStringLiteral("Tarnwick")
         << QStringLiteral("Unmounting network shares") << QStringLiteral("delay");
    m_asking = true;
    auto* watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher* finished) {
                m_asking = false;
                QDBusPendingReply<QDBusUnixFileDescriptor> reply = *finished;
                finished->deleteLater();
                if (reply.isError() || !reply.value().isValid())
                    return;
                // Our own copy: the reply's copy goes away with the reply, and the lock
                // must last exactly as long as this descriptor.
                const int fd = ::fcntl(reply.value().fileDescriptor(), F_DUPFD_CLOEXEC, 0);
                if (fd < 0)
                    return;
                m_fd = fd;
                Q_EMIT inhibitorChanged(true);
            });
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
