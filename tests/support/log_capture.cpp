#include "log_capture.h"

#include "mount/engine_log.h"

#include <mutex>

namespace tarnwick::test {

namespace {

// A standard mutex: its locking is visible to ThreadSanitizer, unlike that of QMutex.
std::mutex g_mutex;
QStringList g_lines;

void capture(const QString& line)
{
    std::lock_guard lock(g_mutex);
    g_lines.append(line);
}

} // namespace

LogCapture::LogCapture()
{
    clear();
    setLogHandler(&capture);
}

LogCapture::~LogCapture()
{
    setLogHandler(nullptr);
}

QStringList LogCapture::lines() const
{
    std::lock_guard lock(g_mutex);
    return g_lines;
}

void LogCapture::clear()
{
    std::lock_guard lock(g_mutex);
    g_lines.clear();
}

} // namespace tarnwick::test
