#pragma once

#include <QDBusConnection>
#include <QObject>

namespace tarnwick {

// logind's sleep announcements (PrepareForSleep on the system bus). Without logind nothing
// is announced and nothing fails. Main thread.
class LogindSleepWatcher : public QObject {
    Q_OBJECT

public:
    explicit LogindSleepWatcher(const QDBusConnection& bus, QObject* parent = nullptr);

Q_SIGNALS:
    // The system has just woken up; its network may not be back yet.
    void resumed();

private Q_SLOTS:
    void onPrepareForSleep(bool starting);
};

} // namespace tarnwick
