#include "model/app_settings.h"

#include <cmath>

namespace tarnwick {

std::unique_ptr<QSettings> AppSettings::open(const QString& path)
{
    if (!path.isEmpty())
        return std::make_unique<QSettings>(path, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                       QStringLiteral("tarnwick"), QStringLiteral("tarnwick"));
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
