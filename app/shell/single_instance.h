#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <memory>

class QLockFile;

namespace tarnwick {

// One running Tarnwick per user and settings file: the first launch holds a lock file in
// XDG_RUNTIME_DIR for its lifetime and owns a well-known name on the session bus; a later one
// finds the lock held, asks the name's owner to show itself and exits, so autostart plus a
// manual start never run two mount engines. Main thread.
class SingleInstance : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.lorvens.Tarnwick.Instance")

public:
    // key tells instances apart (see keyFor); it becomes part of the bus name.
    explicit SingleInstance(const QString& key, QDBusConnection bus = QDBusConnection::sessionBus(),
                            QObject* parent = nullptr);
    ~SingleInstance() override;

    // The key for the settings file at settingsPath (empty: the default file).
    static QString keyFor(const QString& settingsPath);
    QString serviceName() const { return m_service; }

    // True when a running instance holds the lock (this process should exit); it has been
    // asked over the session bus to show itself. Otherwise takes the lock and the name and
    // returns false. Blocks at most a few seconds on the bus. Call once.
    bool handOverOrListen();

public Q_SLOTS:
    // Called over the bus by a later launch.
    Q_SCRIPTABLE void Activate();

Q_SIGNALS:
    // A later launch asked this instance to show itself.
    void activationRequested();

private:
    QDBusConnection m_bus;
    QString m_service;
    std::unique_ptr<QLockFile> m_lock;
    bool m_owner = false;
};

} // namespace tarnwick
