#include "log_capture.h"

#include "mount/engine_log.h"

#include <QMutex>

namespace tarnwick::test {

namespace {

QMutex g_mutex;
QStringList g_lines;

void capture(const QString& line)
{
    QMutexLocker lock(&g_mutex);
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
    QMutexLocker lock(&g_mutex);
    return g_lines;
}

void LogCapture::clear()
{
    QMutexLocker lock(&g_mutex);
    g_lines.clear();
}

} // namespace tarnwick::test
