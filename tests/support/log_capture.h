#pragma once

#include "mount/engine_log.h"

#include <QStringList>

#include <mutex>

namespace tarnwick::test {

// Collects the engine's log lines while it lives (one at a time). Thread-safe, with a
// standard mutex: its locking is visible to ThreadSanitizer, unlike that of QMutex.
class LogCapture {
public:
    LogCapture()
    {
        clear();
        setLogHandler([](const QString& line) {
            std::lock_guard lock(s_mutex);
            s_lines.append(line);
        });
    }
    ~LogCapture() { setLogHandler(nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const
    {
        std::lock_guard lock(s_mutex);
        return s_lines;
    }
    bool contains(const QString& line) const { return lines().contains(line); }
    void clear()
    {
        std::lock_guard lock(s_mutex);
        s_lines.clear();
    }

private:
    static inline std::mutex s_mutex;
    static inline QStringList s_lines;
};

} // namespace tarnwick::test
