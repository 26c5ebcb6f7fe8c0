#include "shell/desktop_notification.h"

#include <QDBusMessage>
#include <QDBusPendingCall>
#include <QVariantMap>

namespace tarnwick {

namespace {

constexpr int deadlineMs = 5000;

} // namespace

void DesktopNotification::send(const QDBusConnection& bus, const QString& summary,
                               const QString& body)
{
    if (!bus.isConnected())
        return;
    QDBusMessage call = QDBusMessage::createMethodCall(
        u"org.freedesktop.Notifications"_qs, u"/org/freedesktop/Notifications"_qs,
        u"org.freedesktop.Notifications"_qs, u"Notify"_qs);
    call << u"Tarnwick"_qs << uint(0) << u"tarnwick"_qs << summary << body << QStringList()
         << QVariantMap{{u"desktop-entry"_qs, u"tarnwick"_qs}} << int(-1);
    // Nobody waits for the reply; the deadline only bounds how long the call is kept.
    bus.asyncCall(call, deadlineMs);
}

} // namespace tarnwick
