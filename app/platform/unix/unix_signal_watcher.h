#pragma once

#include <QList>
#include <QObject>

class QSocketNotifier;

namespace tarnwick {

// Turns SIGINT/SIGTERM/SIGHUP into a Qt signal on the main thread (self-pipe), so a quit
// from the terminal or the session runs the normal quit path. A second such signal ends the
// process at once, as if no handler were installed. One instance per process.
class UnixSignalWatcher : public QObject {
    Q_OBJECT

public:
    // Installs handlers for signals; they stay installed until destruction.
    explicit UnixSignalWatcher(const QList<int>& signals, QObject* parent = nullptr);
    ~UnixSignalWatcher() override;

Q_SIGNALS:
    // Emitted on the thread that created the watcher, for the first delivered signal.
    void received(int signalNumber);

private:
    void readPipe();

    QList<int> m_signals;
    QSocketNotifier* m_notifier = nullptr;
};

} // namespace tarnwick
