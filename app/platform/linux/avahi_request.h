#pragma once

#include "discovery/discovery_backend.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QStringList>

class QDBusPendingCallWatcher;

namespace tarnwick {

// One avahi-daemon browser or resolver object, driven without waiting: its interface's
// signals subscribed, then the object prepared (Server2's *Prepare methods) and started.
// Signals that arrive before the reply names the object are kept and sorted out then, so
// none is lost (the daemon may emit them first). Only signals of that object from the daemon
// that made it count. Main thread.
class AvahiRequest : public DiscoveryRequest {
    Q_OBJECT

public:
    // prepare: the *Prepare call; signals: the object's signals to follow (the first of them
    // is the success signal, "Failure" always follows).
    AvahiRequest(const QDBusConnection& bus, const QDBusMessage& prepare,
                 const QStringList& signalNames, QObject* parent);
    // Frees the daemon's object, also one whose preparation is still on its way.
    ~AvahiRequest() override;

    static constexpr int kCallTimeoutMs = 5000;
    static constexpr qsizetype kMaxEarlySignals = 256;

private Q_SLOTS:
    void onSignal(const QDBusMessage& message);

private:
    void onPrepared(QDBusPendingCallWatcher* watcher);
    void fail();

    QDBusConnection m_bus;
    QString m_interface; // of the daemon's object
    QStringList m_signals;
    QDBusPendingCallWatcher* m_preparing = nullptr;
    QString m_path;
    QString m_daemon;            // unique bus name of the daemon that made the object
    QList<QDBusMessage> m_early; // signals before m_path was known
    bool m_failed = false;
};

} // namespace tarnwick
