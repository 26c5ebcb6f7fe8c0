#include "platform/linux/child_death_guard.h"

#include "mount/tool_run.h"

#include <csignal>
#include <sys/prctl.h>
#include <unistd.h>

namespace tarnwick {

namespace {

pid_t g_parent = 0;

// Runs in the child between fork and exec: async-signal-safe calls only.
void dieWithParent()
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    // The parent may have died before the request took effect.
    if (::getppid() != g_parent)
        ::_exit(kToolTimedOut);
}

} // namespace

void ChildDeathGuard::install()
{
    g_parent = ::getpid();
    setToolChildSetup(&dieWithParent);
}

} // namespace tarnwick
