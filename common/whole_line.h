#pragma once

#include <QByteArray>

#include <cerrno>
#include <unistd.h>

namespace tarnwick {

// Writes line to fd with as few write(2) calls as the descriptor allows (one for a line up to
// the pipe's atomic size), so lines from concurrent threads never interleave. Drops the rest
// of the line on an error: a log line is never worth blocking or failing for. Any thread.
inline void writeWholeLine(int fd, const QByteArray& line)
{
    const char* data = line.constData();
    qsizetype left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, data, size_t(left));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return;
        data += written;
        left -= written;
    }
}

} // namespace tarnwick
