#pragma once

#include <QStringList>

namespace tarnwick::test {

// Collects the engine's log lines while it lives (one at a time). Thread-safe.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList lines() const;
    bool contains(const QString& line) const { return lines().contains(line); }
    void clear();
};

} // namespace tarnwick::test
