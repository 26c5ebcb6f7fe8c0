#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

namespace tarnwick {

// One running Tarnwick per user and settings file: a later launch hands over to the
// running one through a local socket in XDG_RUNTIME_DIR and exits, so autostart plus a
// manual start never run two mount engines. Main thread.
class SingleInstance : public QObject {
    Q_OBJECT

public:
    // key tells instances apart (see keyFor); it becomes part of the socket's file name.
    explicit SingleInstance(const QString& key, QObject* parent = nullptr);
    ~SingleInstance() override;

    // The key for the settings file at settingsPath (empty: the default file).
    static QString keyFor(const QString& settingsPath);
    QString socketPath() const { return m_socketPath; }

    // True when a running instance took the request (this process should exit). Otherwise
    // starts listening for later launches and returns false. Call once.
    bool handOverOrListen();

Q_SIGNALS:
    // A later launch asked this instance to show itself.
    void activationRequested();

private:
    bool askRunningInstance() const;
    void acceptConnections();

    QString m_socketPath;
    QLocalServer* m_server = nullptr;
};

} // namespace tarnwick
