#pragma once

namespace tarnwick {

class SystemProfile;

// Unmounts every SMB mount of the system, one after the other, also those Tarnwick did not
// make; failures are ignored. Used at quit and power-off; blocks the calling thread until
// all are done. Touches neither the manager nor the store.
void unmountAllSmbVolumes(const SystemProfile& profile);

} // namespace tarnwick
