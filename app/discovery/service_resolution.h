#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <cstdint>

namespace tarnwick {

class DnsSdRequest;

// Resolves one found service to its host and port, giving up after a time-out. Reports
// exactly once (resolved or failed) unless cancelled first. Main thread only.
class ServiceResolution : public QObject {
    Q_OBJECT

public:
    // The service as the browser reported it.
    ServiceResolution(uint32_t interfaceIndex, const QByteArray& name, const QByteArray& type,
                      const QByteArray& domain, QObject* parent = nullptr);
    ~ServiceResolution() override;

    // Starts resolving; false (and no report) when the request cannot start.
    bool start(std::chrono::milliseconds timeout);
    // Stops resolving without a report. Idempotent.
    void cancel();

    QString name() const { return QString::fromUtf8(m_name); }

Q_SIGNALS:
    // hostName as the resolver gave it (perhaps with a trailing "."); port in host order.
    void resolved(const QString& hostName, quint16 port);
    // Did not resolve in time, or the resolver reported an error.
    void failed();

private:
    void onProcessed(bool ok);
    void finish();

    uint32_t m_interfaceIndex;
    QByteArray m_name;
    QByteArray m_type;
    QByteArray m_domain;
    DnsSdRequest* m_request = nullptr;
    QTimer m_timeout;

    // The reply the C callback stored, handled once processing has returned.
    friend struct ServiceResolutionCallback;
    bool m_replied = false;
    bool m_replyOk = false;
    QString m_hostName;
    quint16 m_port = 0;
    bool m_done = false;
};

} // namespace tarnwick
