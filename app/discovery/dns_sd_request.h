#pragma once

#include <QObject>

#include <dns_sd.h>

class QSocketNotifier;

namespace tarnwick {

// One running DNS-SD request (browse, resolve): owns its DNSServiceRef and watches the
// daemon's socket, so replies are processed on the owner's thread without blocking it.
// The request's C callback runs inside that processing. Main thread only.
class DnsSdRequest : public QObject {
    Q_OBJECT

public:
    explicit DnsSdRequest(QObject* parent = nullptr);
    ~DnsSdRequest() override;

    // Takes ownership of ref, a request that started, and watches its socket.
    void watch(DNSServiceRef ref);
    // Ends the request: no callback runs after this. Idempotent.
    void close();
    bool isOpen() const { return m_ref != nullptr; }

Q_SIGNALS:
    // After the callbacks for one batch of replies have run. ok is false when the
    // connection to the daemon failed; the socket is not watched any more then.
    void processed(bool ok);

private:
    void process();

    DNSServiceRef m_ref = nullptr;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace tarnwick
