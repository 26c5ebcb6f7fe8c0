#pragma once

#include "removal_rule.h"

#include <QString>

namespace tarnwick::helper {

// Serves one RemoveDirectory request completely: refuses a path the rule rejects, or asks
// rmdir to remove the path exactly as given (empty directories only; links are not
// followed), and logs the outcome. Keeps nothing between calls; any thread.
class DirectoryRemover {
public:
    explicit DirectoryRemover(RemovalRule rule = RemovalRule());

    // Longer paths are refused unseen: the log names only their length.
    static constexpr qsizetype kMaxPathBytes = 4096;

    // True when the directory was removed.
    bool removeDirectory(const QString& path) const;

private:
    RemovalRule m_rule;
};

} // namespace tarnwick::helper
