#include "platform/profile_factory.h"

#include "platform/macos/mac_tool_profile.h"

#ifdef Q_OS_LINUX
#include "platform/linux/gvfs_profile.h"
#endif

namespace tarnwick {

std::shared_ptr<const SystemProfile> ProfileFactory::create(const QString& toolRoot)
{
#ifdef Q_OS_LINUX
    if (toolRoot.isEmpty())
        return std::make_shared<GvfsProfile>();
#endif
    return std::make_shared<MacToolProfile>(toolRoot);
}

} // namespace tarnwick
