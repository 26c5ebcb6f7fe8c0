#include "model/app_settings.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <cmath>

namespace tarnwick {

std::unique_ptr<QSettings> AppSettings::open(const QString& path)
{
    if (!path.isEmpty())
        return std::make_unique<QSettings>(path, QSettings::IniFormat);
    // On Linux the native format is INI too, named .conf, and its fallbacks are the XDG
    // config dirs. The user's dir is set at each call because Qt keeps the first one it sees.
    const QString configDir =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, configDir);
    // Earlier builds kept the same keys in tarnwick.ini: carry a user's list over once.
    const QString file = configDir + QStringLiteral("/tarnwick/tarnwick");
    if (!QFile::exists(file + QStringLiteral(".conf")))
        QFile::rename(file + QStringLiteral(".ini"), file + QStringLiteral(".conf"));
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

bool AppSettings::notifications(const QSettings& settings)
{
    return settings.value(notificationsKey, true).toBool();
}

QString AppSettings::sharesFolder(const QSettings& settings)
{
    const QString home = QDir::homePath();
    if (!settings.contains(sharesFolderKey))
        return home + QStringLiteral("/Shares");
    QString folder = settings.value(sharesFolderKey).toString().trimmed();
    if (folder.isEmpty())
        return {};
    if (folder == u'~' || folder.startsWith(QStringLiteral("~/")))
        folder = home + folder.mid(1);
    return QDir::cleanPath(QDir(home).absoluteFilePath(folder));
}

} // namespace tarnwick
