#include "model/app_settings.h"

#include <QStandardPaths>

#include <cmath>

namespace tarnwick {

std::unique_ptr<QSettings> AppSettings::open(const QString& path)
{
    if (!path.isEmpty())
        return std::make_unique<QSettings>(path, QSettings::IniFormat);
    // On Linux the native format is INI too, named .conf, and its fallbacks are the XDG
    // config dirs. The user's dir is set at each call because Qt keeps the first one it sees.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("tarnwick"), QStringLiteral("tarnwick"));
}

bool AppSettings::isPreset(QSettings& settings, const QString& key)
{
    if (!settings.fallbacksEnabled() || !settings.contains(key))
        return false;
    settings.setFallbacksEnabled(false);
    const bool own = settings.contains(key);
    settings.setFallbacksEnabled(true);
    return !own;
}

double AppSettings::mountInterval(const QSettings& settings)
{
    bool ok = false;
    const double value = settings.value(mountIntervalKey).toDouble(&ok);
    return ok && std::isfinite(value) ? value : 0.0;
}

bool AppSettings::keepMountedOnQuit(const QSettings& settings)
{
    return settings.value(keepMountedOnQuitKey, false).toBool();
}

} // namespace tarnwick
