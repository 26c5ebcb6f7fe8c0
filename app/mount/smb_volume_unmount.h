#pragma once

#include <chrono>

namespace tarnwick {

class SystemProfile;

// How long the quit-time unmount may take in all, table read included. A healthy unmount takes
// a fraction of a second; a server that stopped answering would hold `gio mount -u` for about
// 20 s. 3 s, with the engine's stop before and the kill grace and a detach after, keep quit and
// power-off within the 5 s that logind grants a delay lock.
inline constexpr std::chrono::milliseconds kQuitUnmountDeadline{3000};

// Unmounts every SMB mount of the system, all at once, within deadline in all (each unmount
// gets at least half a second), also those Tarnwick did not make; one that runs out of time is
// detached instead; failures are ignored. Used
// at quit and power-off; blocks the calling thread until all have ended. Touches neither the
// manager nor the store.
void unmountAllSmbVolumes(const SystemProfile& profile,
                          std::chrono::milliseconds deadline = kQuitUnmountDeadline);

} // namespace tarnwick
