#pragma once

#include <QDBusConnection>
#include <QObject>

#include <functional>

namespace tarnwick {

// The Secret Service's collections on a session bus: says when one becomes unlocked (its
// Locked property turns false, whoever unlocked it) and asks for the unlock of the collections
// that hold SMB logins, which shows the store's own password prompt. Main thread.
class SecretServiceWatcher : public QObject {
    Q_OBJECT

public:
    explicit SecretServiceWatcher(const QDBusConnection& bus, QObject* parent = nullptr);

public Q_SLOTS:
    // Unlocks the locked collections holding SMB logins: search, Unlock, then the prompt if the
    // store wants one. Returns at once; each call has a deadline; failures are logged.
    void unlock();

Q_SIGNALS:
    void unlocked();

private Q_SLOTS:
    void propertiesChanged(const QString& interface, const QVariantMap& changed,
                           const QStringList& invalidated);

private:
    void call(const QString& path, const QString& interface, const QString& method,
              const QVariantList& args, std::function<void(const QDBusMessage&)> done);

    QDBusConnection m_bus;
};

} // namespace tarnwick
