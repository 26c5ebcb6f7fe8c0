#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace tarnwick {

// What becomes of one output stream of a tool.
enum class ToolStream { Capture, Discard };

// Exit status reported for a tool that could not be started (missing, not executable).
// 127 is the shell's "command not found", so such runs read like any failed tool run.
inline constexpr int kToolNotStarted = 127;

struct ToolResult {
    int status = kToolNotStarted; // exit status; the signal number when the tool crashed
    QString out;                  // captured stdout; empty when discarded or not valid UTF-8
    QString err;                  // captured stderr; likewise
};

// Optional extras of a tool run: bytes for standard input (closed after them; /dev/null
// when empty) and environment entries added to the inherited environment.
struct ToolInput {
    QByteArray stdinData;
    QProcessEnvironment extraEnv;
};

// Runs path with args (program name not included) and waits for it without time limit.
// Both pipes are drained while the child runs. Never throws, never logs; any thread.
ToolResult runTool(const QString& path, const QStringList& args, ToolStream out, ToolStream err,
                   const ToolInput& input = {});

} // namespace tarnwick
