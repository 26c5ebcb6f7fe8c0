#include "model/settings_file_watcher.h"

#include <QDir>
#include <QFileInfo>
#include <QTimer>

namespace tarnwick {

SettingsFileWatcher::SettingsFileWatcher(QSettings& settings, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
{
    const auto queueReload = [this] {
        // One reload per burst of notifications (a save is a write plus a rename).
        if (m_reloadQueued)
            return;
        m_reloadQueued = true;
        QTimer::singleShot(0, this, &SettingsFileWatcher::reload);
    };
    connect(&m_watcher, &QFileSystemWatcher::fileChanged, this, queueReload);
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, queueReload);
    watch();
}

void SettingsFileWatcher::watch()
{
    // Saving replaces the file, which drops it from the watch; the directory watch notices
    // the new file and this puts the file back.
    // Before the first save the directory may not exist yet: watch its nearest ancestor.
    const QFileInfo file(m_settings.fileName());
    QString dir = file.absolutePath();
    while (!QFileInfo(dir).isDir() && dir != QDir::rootPath())
        dir = QFileInfo(dir).absolutePath();
    if (!m_watcher.directories().contains(dir))
        m_watcher.addPath(dir);
    if (file.exists() && !m_watcher.files().contains(file.absoluteFilePath()))
        m_watcher.addPath(file.absoluteFilePath());
}

void SettingsFileWatcher::reload()
{
    m_reloadQueued = false;
    m_settings.sync();
    watch();
    Q_EMIT changed();
}

} // namespace tarnwick
