#pragma once

#include <QDBusConnection>
#include <QString>

namespace tarnwick {

// Desktop notifications through org.freedesktop.Notifications.
class DesktopNotification {
public:
    // Asks the notification server on bus to show summary and body; fire and forget: the
    // call is asynchronous with a deadline, and without a server nothing happens.
    static void send(const QDBusConnection& bus, const QString& summary, const QString& body);
};

} // namespace tarnwick
