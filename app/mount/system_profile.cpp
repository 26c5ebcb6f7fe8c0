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

ShareStatus::Reason SystemProfile::loginUnavailable(const QString&) const
{
    return ShareStatus::Reason::None;
}

void SystemProfile::prepareMount(const QString&, HelperAccess*) const {}

void SystemProfile::cleanUpAtStart(const QStringList&, const StopSignal*) const {}

} // namespace tarnwick
