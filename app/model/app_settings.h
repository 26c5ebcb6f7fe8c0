#pragma once

#include <QSettings>
#include <QString>

#include <memory>

namespace tarnwick {

// The user's settings file and the keys Tarnwick keeps in it. Main thread.
class AppSettings {
public:
    static inline const QString serversKey = QStringLiteral("tarnwick.servers");
    static inline const QString mountIntervalKey = QStringLiteral("mountInterval");
    static inline const QString keepMountedOnQuitKey = QStringLiteral("keepMountedOnQuit");
    static inline const QString notificationsKey = QStringLiteral("notifications");
    static inline const QString sharesFolderKey = QStringLiteral("sharesFolder");

    // Settings in the INI file at path, or ~/.config/tarnwick/tarnwick.conf when path is empty;
    // only the latter falls back, key by key, to the administrator's presets in
    // tarnwick/tarnwick.conf under $XDG_CONFIG_DIRS (default /etc/xdg; the first dir wins).
    // Writes always go to the user's file.
    static std::unique_ptr<QSettings> open(const QString& path = QString());
    // True when key has a value only through the presets, none in the user's own file.
    static bool isPreset(QSettings& settings, const QString& key);

    // "mountInterval" as seconds; 0 when unset or not a number.
    static double mountInterval(const QSettings& settings);
    // "keepMountedOnQuit"; false when unset.
    static bool keepMountedOnQuit(const QSettings& settings);
    // "notifications" (desktop notifications of lost shares and refused logins); true when unset.
    static bool notifications(const QSettings& settings);
    // "sharesFolder", the folder of the mounted shares' links, as an absolute path ("~/" and
    // relative paths are under the home folder); ~/Shares when unset, empty when set empty
    // (no links).
    static QString sharesFolder(const QSettings& settings);
};

} // namespace tarnwick
