#pragma once

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

namespace tarnwick {

// A service a browse reported, named the way the backend needs to resolve it.
struct FoundService {
    qint32 interfaceIndex = -1; // the backend's own numbering; -1 for any
    qint32 protocol = -1;       // the backend's own numbering; -1 for any
    QString name;
    QString type;
    QString domain;
};

// One running browse or resolve. Its signals come on the thread it was made on, never from
// inside the call that made it; deleting it ends the request, and nothing is emitted after.
class DiscoveryRequest : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

Q_SIGNALS:
    // A browse found a service (services that leave are not reported).
    void serviceFound(const tarnwick::FoundService& service);
    // A resolve answered: the host name as the daemon gives it (perhaps with a trailing "."),
    // the addresses as struct sockaddr bytes, the port in host order.
    void serviceResolved(const QString& hostName, const QList<QByteArray>& addresses, quint16 port);
    // The request could not start, or the daemon ended it with an error.
    void failed();
};

// The system's DNS-SD service. Main thread; no call blocks it.
class DiscoveryBackend {
public:
    virtual ~DiscoveryBackend() = default;

    // Browses for type in domain; never null, owned by parent.
    virtual DiscoveryRequest* browse(const QString& type, const QString& domain,
                                     QObject* parent) = 0;
    // Resolves one found service; never null, owned by parent.
    virtual DiscoveryRequest* resolve(const FoundService& service, QObject* parent) = 0;
};

} // namespace tarnwick
