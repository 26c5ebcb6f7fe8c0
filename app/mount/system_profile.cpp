#include "mount/system_profile.h"

#include "model/unicode_text.h"

namespace tarnwick {

QString SystemProfile::nameKey(const QString& name) const
{
    return UnicodeText::canonical(name);
}

QString SystemProfile::fallbackMountPoint(const QString&) const
{
    return {};
}

void SystemProfile::prepareMount(const QString&, HelperAccess*) const {}

void SystemProfile::cleanUpAtStart(const QStringList&, const StopSignal*) const {}

QString SystemProfile::localMountsRoot() const
{
    return {};
}

bool SystemProfile::folderAnswers(const MountEntry&, const RunLimits&) const
{
    return true;
}

} // namespace tarnwick
