#pragma once

#include <QDBusConnection>
#include <QDBusPendingCall>
#include <QHash>
#include <QObject>

#include <functional>
#include <memory>

class QDBusPendingCallWatcher;
class QDBusServiceWatcher;
class TarnwickHelperProxy;

namespace tarnwick {

// One open connection to the helper: a private bus connection with the generated proxy of
// the helper's interface. It is invalidated when the helper's name loses its owner (the
// helper exited or was killed) or the bus connection drops; every call still waiting then
// fails, so no caller waits for a reply that cannot come. Lives on one thread (the
// client's); all callbacks run there.
class HelperConnection : public QObject {
    Q_OBJECT
public:
    // Reads the answer; returns an error text instead when it is not of the promised type.
    using ReplyHandler = std::function<QString(const QDBusPendingCall&)>;
    using ErrorHandler = std::function<void(const QString& error)>;

    // busAddress: a D-Bus address, or empty for the system bus. Never fails here: a bus that
    // cannot be reached makes every call fail through its error handler.
    explicit HelperConnection(const QString& busAddress, QObject* parent = nullptr);
    ~HelperConnection() override;

    // Up and not invalidated.
    bool isOpen() const;
    // This connection's unique name on the bus (":1.42"); empty when it never connected.
    QString uniqueName() const;

    // Sends one request through the generated proxy (send makes the call). Later, never
    // before this returns, exactly one of onReply (the helper answered) or onError (a D-Bus
    // error, or the connection went away first, or was already invalidated) runs.
    void call(const std::function<QDBusPendingCall(TarnwickHelperProxy&)>& send,
              ReplyHandler onReply, ErrorHandler onError);

    // Runs onError(reason) from the event loop of the calling thread, also when the object
    // that asked is gone by then.
    static void failLater(ErrorHandler onError, const QString& reason);
    // The text the error path prints for a D-Bus error.
    static QString describe(const QDBusError& error);

Q_SIGNALS:
    // Emitted once; the connection is unusable afterwards.
    void invalidated();

private Q_SLOTS:
    void busDisconnected();

private:
    void invalidate(const QString& reason);
    void failPending(const QString& reason);
    void finished(QDBusPendingCallWatcher* watcher);

    struct Pending {
        ReplyHandler onReply;
        ErrorHandler onError;
    };

    QString m_name;
    QDBusConnection m_bus;
    std::unique_ptr<TarnwickHelperProxy> m_remote;
    QDBusServiceWatcher* m_ownerWatch;
    QHash<QDBusPendingCallWatcher*, Pending> m_pending;
    QString m_invalidReason; // empty while valid
};

} // namespace tarnwick
