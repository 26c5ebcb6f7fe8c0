#pragma once

#include <QPointer>
#include <QString>

#include <functional>

namespace tarnwick {

class HelperConnection;

// The helper's remote interface as HelperClient::proxy() hands it out: the two methods of
// the helper, sent over the client's connection of that moment, with an error handler.
// For every request exactly one thing happens later, on the client's thread: the reply
// handler runs with the helper's answer, or — when the connection cannot be made or breaks
// first — the error path prints "[HelperClient] XPC error: " + the error text and then runs
// the proxy's error handler. Cheap to copy; use it on the client's thread only.
class HelperProxy {
public:
    using ErrorHandler = std::function<void()>;

    void removeDirectory(const QString& path, std::function<void(bool removed)> reply) const;
    void getVersion(std::function<void(const QString& version)> reply) const;

    // The unique bus name of the connection this proxy sends over; empty once it is gone.
    QString connectionName() const;

private:
    friend class HelperClient;
    HelperProxy(HelperConnection* connection, ErrorHandler onError);

    std::function<void(const QString&)> errorPath() const;

    QPointer<HelperConnection> m_connection;
    ErrorHandler m_onError;
};

} // namespace tarnwick
