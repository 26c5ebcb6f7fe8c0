#include "platform/profile_factory.h"

#include "platform/macos/mac_tool_profile.h"

namespace tarnwick {

std::shared_ptr<const SystemProfile> ProfileFactory::create(const QString& toolRoot)
{
    return std::make_shared<MacToolProfile>(toolRoot);
}

} // namespace tarnwick
