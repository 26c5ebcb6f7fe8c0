#include "platform/linux/logind_sleep_watcher.h"

namespace tarnwick {

LogindSleepWatcher::LogindSleepWatcher(const QDBusConnection& bus, QObject* parent)
    : QObject(parent)
{
    QDBusConnection(bus).connect(
        QStringLiteral("org.freedesktop.login1"), QStringLiteral("/org/freedesktop/login1"),
        QStringLiteral("org.freedesktop.login1.Manager"), QStringLiteral("PrepareForSleep"), this,
        SLOT(onPrepareForSleep(bool)));
}

void LogindSleepWatcher::onPrepareForSleep(bool starting)
{
    if (!starting)
        Q_EMIT resumed();
}

} // namespace tarnwick
