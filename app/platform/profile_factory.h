#pragma once

#include "platform/system_profile.h"

#include <QString>

#include <memory>

namespace tarnwick {

// The one place that picks the system profile. Main thread, at start-up.
class ProfileFactory {
public:
    // With a tool root: the macOS tool profile under that root (fake tools, diagnosis).
    // Without: the platform's own profile.
    static std::shared_ptr<const SystemProfile> create(const QString& toolRoot = QString());
};

} // namespace tarnwick
