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

    // Settings in the INI file at path, or ~/.config/tarnwick/tarnwick.conf when path is empty.
    static std::unique_ptr<QSettings> open(const QString& path = QString());

    // "mountInterval" as seconds; 0 when unset or not a number.
    static double mountInterval(const QSettings& settings);
    // "keepMountedOnQuit"; false when unset.
    static bool keepMountedOnQuit(const QSettings& settings);
};

} // namespace tarnwick
