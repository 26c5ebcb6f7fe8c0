#include "mount/engine_log.h"

#include "whole_line.h"

#include <atomic>
#include <cerrno>
#include <unistd.h>

namespace tarnwick {

namespace {

std::atomic<LogHandler> g_handler{nullptr};

void writeToStdout(const QString& line)
{
    writeWholeLine(STDOUT_FILENO, line.toUtf8() + '\n');
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
