#include "mount/engine_log.h"

#include <atomic>
#include <cerrno>
#include <unistd.h>

namespace tarnwick {

namespace {

std::atomic<LogHandler> g_handler{nullptr};

void writeToStdout(const QString& line)
{
    // One write() per line: lines from concurrent workers never interleave mid-line.
    const QByteArray bytes = line.toUtf8() + '\n';
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(STDOUT_FILENO, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        left -= written;
    }
}

} // namespace

void writeLogLine(const QString& line)
{
    if (LogHandler handler = g_handler.load())
        handler(line);
    else
        writeToStdout(line);
}

void log(const QString& message)
{
    writeLogLine(QStringLiteral("[Tarnwick] ") + message);
}

LogHandler setLogHandler(LogHandler handler)
{
    return g_handler.exchange(handler);
}

} // namespace tarnwick
