#pragma once

#include <QString>

namespace tarnwick {

// How the mount engine reaches the privileged helper to remove a leftover mount point.
class HelperAccess {
public:
    virtual ~HelperAccess() = default;
    // Asks the helper to remove the empty directory at path and blocks until it replies.
    // False when there is no helper, it refused, or the connection failed (never hangs on
    // a dead helper). Any thread.
    virtual bool removeDirectory(const QString& path) = 0;
};

} // namespace tarnwick
