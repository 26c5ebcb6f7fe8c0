#pragma once

#include <QString>

namespace tarnwick::helper {

// The helper's log: one line per event on standard error, each with a "<N>" syslog priority
// in front so that journald (which collects the output of bus-activated services) files it
// at the right level. The subsystem and category travel at the start of the message.
class HelperLog {
public:
    enum class Level { Error = 3, Info = 6 };

    static void info(const QString& message) { write(Level::Info, message); }
    static void error(const QString& message) { write(Level::Error, message); }
    // Writes the formatted line in one write() so that lines never interleave. Any thread.
    static void write(Level level, const QString& message);
    // "<N>[com.lorvens.TarnwickHelper/Default] " + message with control characters escaped,
    // so that no caller-supplied text (a path with a newline) can forge a second line.
    static QByteArray format(Level level, const QString& message);

    // Receives each formatted line instead of standard error (tests); nullptr restores it.
    using Sink = void (*)(const QByteArray& line);
    static void setSink(Sink sink);
};

} // namespace tarnwick::helper
