#pragma once

#include <QObject>
#include <QSettings>

#include <functional>

namespace tarnwick {

// The unmount of every SMB mount when the application quits or the system powers off,
// skipped when "keepMountedOnQuit" is true. Each trigger runs it at most once, and never
// while another run is under way. Main thread; settings must outlive it.
class ShutdownUnmounter : public QObject {
    Q_OBJECT

public:
    ShutdownUnmounter(QSettings& settings, std::function<void()> unmountAll,
                      QObject* parent = nullptr);

    // Number of unmounts actually run so far.
    int runs() const { return m_runs; }

public Q_SLOTS:
    // The quit path (quit row, SIGINT/SIGTERM, session end). True when it unmounted.
    bool runAtQuit();
    // The power-off announcement. True when it unmounted.
    bool runAtPowerOff();

private:
    bool run();

    QSettings& m_settings;
    std::function<void()> m_unmountAll;
    bool m_running = false;
    bool m_quitDone = false;
    int m_runs = 0;
};

} // namespace tarnwick
