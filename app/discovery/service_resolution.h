#pragma once

#include "discovery/discovery_backend.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <memory>

namespace tarnwick {

// Resolves one found service to its host and port, giving up after a time-out. Reports
// exactly once (resolved or failed), always on a later turn of the event loop than start(),
// unless cancelled first. Main thread only.
class ServiceResolution : public QObject {
    Q_OBJECT

public:
    // backend must not be null.
    ServiceResolution(std::shared_ptr<DiscoveryBackend> backend, FoundService service,
                      QObject* parent = nullptr);
    ~ServiceResolution() override;

    void start(std::chrono::milliseconds timeout);
    // Stops resolving without a report. Idempotent.
    void cancel();

    QString name() const { return m_service.name; }

Q_SIGNALS:
    // The host text of resolvedHost(); port in host order.
    void resolved(const QString& host, quint16 port);
    // Did not resolve in time, gave neither a host name nor an IPv4 address, or the daemon
    // reported an error.
    void failed();

private:
    void onResolved(const QString& hostName, const QList<QByteArray>& addresses, quint16 port);
    void fail();
    void finish();

    std::shared_ptr<DiscoveryBackend> m_backend;
    FoundService m_service;
    DiscoveryRequest* m_request = nullptr;
    QTimer m_timeout;
    bool m_done = false;
};

} // namespace tarnwick
