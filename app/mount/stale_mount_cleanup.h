#pragma once

#include <QStringList>

namespace tarnwick {

class StopSignal;
class SystemProfile;

// The start-up pass: unmounts duplicate mounts (mount points numbered "-1", "-2", ...)
// and removes empty mount-point directories of configured shares that are not mounted.
// Blocks its (background) thread while the tools run; reports nothing but log lines.
class StaleMountCleanup {
public:
    // shareNames: every configured share name, store order, repeats kept (taken from the
    // store on the main thread). A raised stop (may be null) ends the unmounts at once.
    static void run(const SystemProfile& profile, const QStringList& shareNames,
                    const StopSignal* stop = nullptr);

private:
    static void unmountDuplicates(const SystemProfile& profile, const StopSignal* stop);
    static void removeStaleDirectories(const SystemProfile& profile, const QStringList& shareNames);
};

} // namespace tarnwick
