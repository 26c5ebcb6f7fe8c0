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

MountLogin SystemProfile::mountLogin(const QString& host) const
{
    return {lookupKeychainCredentials(host)};
}

void SystemProfile::prepareMount(const QString&, HelperAccess*) const {}

void SystemProfile::cleanUpAtStart(const QStringList&, const StopSignal*) const {}

bool SystemProfile::keepsLogins() const
{
    return false;
}

bool SystemProfile::storeLogin(const QString&, const Credentials&) const
{
    return false;
}

bool SystemProfile::forgetLogins(const QString&) const
{
    return false;
}

bool SystemProfile::servesSmb(const QString& host) const
{
    return isHostReachable(host);
}

bool SystemProfile::sendWakePacket(const QString&, const QByteArray&) const
{
    return false;
}

QString SystemProfile::neighbourAddress(const QString&) const
{
    return {};
}

QString SystemProfile::localMountsRoot() const
{
    return {};
}

bool SystemProfile::folderAnswers(const MountEntry&, const RunLimits&) const
{
    return true;
}

} // namespace tarnwick
