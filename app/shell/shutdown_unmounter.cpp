#include "shell/shutdown_unmounter.h"

#include "model/app_settings.h"

namespace tarnwick {

ShutdownUnmounter::ShutdownUnmounter(QSettings& settings, std::function<void()> unmountAll,
                                     QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_unmountAll(std::move(unmountAll))
{
}

bool ShutdownUnmounter::runAtQuit()
{
    // A quit is final: a second call (the quit path re-entered) has nothing left to do.
    if (m_quitDone)
        return false;
    m_quitDone = true;
    return run();
}

bool ShutdownUnmounter::runAtPowerOff()
{
    return run();
}

bool ShutdownUnmounter::run()
{
    // The unmount blocks this thread, but a tool run or a handler may still spin an event
    // loop; a second trigger arriving then must not start a second pass.
    if (m_running || !m_unmountAll)
        return false;
    m_settings.sync(); // pick up a change written by another process
    if (AppSettings::keepMountedOnQuit(m_settings))
        return false;
    m_running = true;
    m_unmountAll();
    m_running = false;
    ++m_runs;
    return true;
}

} // namespace tarnwick
