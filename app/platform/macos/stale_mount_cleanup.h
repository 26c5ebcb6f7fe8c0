#pragma once

#include <QStringList>

namespace tarnwick {

class MacToolProfile;
class StopSignal;

// The start-up pass of the macOS tools: unmounts duplicate mounts (mount points numbered
// "-1", "-2", ...) and removes empty mount-point directories of configured shares that are
// not mounted. Blocks its (background) thread while the tools run; reports nothing but log
// lines.
class StaleMountCleanup {
public:
    // shareNames: every configured share name, store order, repeats kept. A raised stop (may
    // be null) ends the unmounts at once.
    static void run(const MacToolProfile& profile, const QStringList& shareNames,
                    const StopSignal* stop = nullptr);

private:
    static void unmountDuplicates(const MacToolProfile& profile, const StopSignal* stop);
    static void removeStaleDirectories(const MacToolProfile& profile,
                                       const QStringList& shareNames);
};

} // namespace tarnwick
