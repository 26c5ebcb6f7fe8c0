#pragma once

#include <QString>

namespace tarnwick {

// Receives every whole log line (without the newline). Must be callable from any thread.
using LogHandler = void (*)(const QString& line);

// Writes "[Tarnwick] " + message as one line in one piece. Any thread.
void log(const QString& message);
// Writes line (which carries its own tag, e.g. "[HelperClient] ...") in one piece. Any thread.
void writeLogLine(const QString& line);
// Redirects log lines (tests); nullptr restores standard output. Returns the previous handler.
LogHandler setLogHandler(LogHandler handler);

} // namespace tarnwick
