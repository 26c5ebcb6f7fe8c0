#pragma once

#include "helperclient/helper_proxy.h"

#include <QObject>
#include <QPointer>
#include <QString>

namespace tarnwick {

class HelperConnection;

// The app's side of the privileged helper. proxy() hands out the helper's interface over one
// connection, opened on first use and reused until it is invalidated (the helper's name
// loses its owner, or the bus connection drops); the next proxy() then opens a new one.
// registerDaemon() reports whether the helper is installed. Lives on one thread (the main
// thread for shared()); call it there only.
class HelperClient : public QObject {
    Q_OBJECT
public:
    // Whether the bus can start the helper (its service file is installed) or already has it.
    enum class DaemonStatus { Enabled, NotFound };

    // busAddress: a D-Bus address; empty means the system bus, where the helper lives.
    explicit HelperClient(QString busAddress = QString(), QObject* parent = nullptr);
    ~HelperClient() override;

    // The one instance on the system bus, created on first use, kept for the life of the
    // process and living on the application's thread.
    static HelperClient& shared();

    // The helper's interface with onError as its error handler (run after the "XPC error"
    // line for each request that fails). Never fails itself: an unreachable helper shows as
    // failing requests.
    HelperProxy proxy(HelperProxy::ErrorHandler onError = {});

    // Prints "[HelperClient] Daemon already running" when the helper is installed, or else
    // "[HelperClient] Registration failed: " + how to install it. Nothing is installed or
    // started here: that needs root, and the app never acts as root on its own.
    void registerDaemon();
    // Asks the bus; blocks for one local round trip. *reason (optional) says why NotFound.
    DaemonStatus daemonStatus(QString* reason = nullptr) const;

private:
    void connectionInvalidated();

    QString m_busAddress;
    QPointer<HelperConnection>
        m_connection; // none until the first proxy(), again after invalidation
};

} // namespace tarnwick
