#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QSettings>

namespace tarnwick {

// Tells when the settings file was changed by anyone (another process, another window):
// re-reads it into settings, then emits changed(). Main thread; settings must outlive it.
class SettingsFileWatcher : public QObject {
    Q_OBJECT

public:
    explicit SettingsFileWatcher(QSettings& settings, QObject* parent = nullptr);

Q_SIGNALS:
    void changed();

private:
    void watch();
    void reload();

    QSettings& m_settings;
    QFileSystemWatcher m_watcher;
    bool m_reloadQueued = false;
};

} // namespace tarnwick
