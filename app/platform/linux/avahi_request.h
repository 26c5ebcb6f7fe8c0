#pragma once

#include "discovery/discovery_backend.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QStringList>

class QDBusPendingCallWatcher;

namespace tarnwick {

// One avahi-daemon browser or resolver object, driven without waiting: prepared (Server2's
// *Prepare methods), its signals subscribed by path, then started. Starting after the
// subscription closes the race of older daemons, whose *New methods could emit the first
// items before the reply that names the object. Only signals from the daemon that created
// the object count. Main thread.
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
    QString m_daemon; // unique bus name of the daemon that made the object
    bool m_failed = false;
};

} // namespace tarnwick
