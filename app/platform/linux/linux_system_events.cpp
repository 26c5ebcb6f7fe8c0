#include "platform/linux/linux_system_events.h"

#include "mount/engine_log.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

namespace tarnwick {

namespace {

const QString kTimerOnly =
    QStringLiteral(": wake-ups and network changes wait for the mount timer");
constexpr int kCallTimeoutMs = 2000;

} // namespace

LinuxSystemEvents::LinuxSystemEvents(const QDBusConnection& systemBus,
                                     const QDBusConnection& sessionBus, QObject* parent)
    : SystemEvents(parent)
    , m_sleep(systemBus)
    , m_network(systemBus)
{
    connect(&m_sleep, &LogindSleepWatcher::resumed, this, &SystemEvents::resumed);
    connect(&m_network, &NetworkManagerWatcher::networkChanged, this,
            &SystemEvents::networkChanged);
    connect(&m_network, &NetworkManagerWatcher::networkLost, this, &SystemEvents::networkLost);
    connect(&m_network, &NetworkManagerWatcher::networksChanged, this,
            &SystemEvents::networksChanged);
    if (sessionBus.isConnected()) {
        m_mounts = std::make_unique<GvfsMountWatcher>(sessionBus);
        connect(m_mounts.get(), &GvfsMountWatcher::changed, this, &SystemEvents::mountTableChanged);
        m_secrets = std::make_unique<SecretServiceWatcher>(sessionBus);
        connect(m_secrets.get(), &SecretServiceWatcher::unlocked, this,
                &SystemEvents::loginsUnlocked);
    }
    reportMissing(systemBus);
}

void LinuxSystemEvents::unlockLogins()
{
    if (m_secrets)
        m_secrets->unlock();
}

void LinuxSystemEvents::reportMissing(const QDBusConnection& bus)
{
    if (!bus.isConnected()) {
        log(QStringLiteral("No system bus") + kTimerOnly);
        return;
    }
    const QStringList services = {QStringLiteral("org.freedesktop.login1"),
                                  QStringLiteral("org.freedesktop.NetworkManager")};
    for (const QString& service : services) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
            QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameHasOwner"));
        call << service;
        auto* pending =
            new QDBusPendingCallWatcher(QDBusConnection(bus).asyncCall(call, kCallTimeoutMs), this);
        connect(pending, &QDBusPendingCallWatcher::finished, this,
                [this, service, count = services.size()](QDBusPendingCallWatcher* w) {
                    w->deleteLater();
                    const QDBusPendingReply<bool> reply = *w;
                    if (!reply.isValid() || !reply.value())
                        m_missing.append(service == u"org.freedesktop.login1"
                                             ? QStringLiteral("logind")
                                             : QStringLiteral("NetworkManager"));
                    if (++m_answers == count && !m_missing.isEmpty()) {
                        m_missing.sort();
                        log(QStringLiteral("No %1 on the system bus")
                                .arg(m_missing.join(QStringLiteral(" or "))) +
                            kTimerOnly);
                    }
                });
    }
}

} // namespace tarnwick
