#pragma once

#include "mount/share_status.h"

#include <QDBusConnection>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QSettings>
#include <QUuid>

#include <optional>

namespace tarnwick {

// Tells the desktop (org.freedesktop.Notifications) when a mounted share is lost because its
// server stopped answering, and when a login is refused: once per change of status, never once
// per cycle, and not at all while "notifications" is off. Each notification offers to open
// the settings at the share's server. Main thread; settings must outlive it; bus calls are
// asynchronous with a deadline, and without a notification server nothing happens.
class ShareNotifier : public QObject {
    Q_OBJECT

public:
    ShareNotifier(QDBusConnection bus, QSettings& settings, QObject* parent = nullptr);

    // Compares statuses (by key, as the manager publishes them) with the previous ones.
    void update(const ShareStatusMap& statuses);
    // Whether a refused login's notification offers "Sign in…" (off by default: where the
    // system's own dialog stores logins there is no sign-in of ours).
    void setSignInOffered(bool offered) { m_signInOffered = offered; }

private Q_SLOTS:
    // The server's ActionInvoked: a click on "Open settings" of one of ours.
    void actionInvoked(uint id, const QString& action);

private:
    void notify(const QString& summary, const QString& body, const QUuid& server,
                const std::optional<ShareKey>& signIn = std::nullopt);

    QDBusConnection m_bus;
    QSettings& m_settings;
    ShareStatusMap m_previous;
    QSet<ShareKey> m_refused;        // shares whose refused login was told, until it changes
    QHash<uint, QUuid> m_sent;       // ids the server gave our notifications, and their servers
    QHash<uint, ShareKey> m_signIns; // ids of the refused-login notifications, their shares
    bool m_signInOffered = false;
};

} // namespace tarnwick
