#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <chrono>

namespace tarnwick {

class StopSignal;

// What becomes of one output stream of a tool.
enum class ToolStream { Capture, Discard };

// Exit status reported for a tool that could not be started (missing, not executable).
// 127 is the shell's "command not found", so such runs read like any failed tool run.
inline constexpr int kToolNotStarted = 127;
// Exit status reported for a tool ended at its deadline or by a stop (timeout(1)'s 124).
inline constexpr int kToolTimedOut = 124;

struct ToolResult {
    int status = kToolNotStarted; // exit status; the signal number when the tool crashed
    QString out;                  // captured stdout; empty when discarded or not valid UTF-8
    QString err;                  // captured stderr; likewise
    bool timedOut = false;        // ended at its deadline or by the stop signal
};

// Optional extras of a tool run: bytes for standard input (closed after them; /dev/null
// when empty), environment entries added to the inherited environment, a deadline (zero:
// none) and a stop signal (may be null) that both end the child: TERM, then KILL after a
// short grace.
struct ToolInput {
    QByteArray stdinData;
    QProcessEnvironment extraEnv;
    std::chrono::milliseconds deadline{0};
    const StopSignal* stop = nullptr;
};

// Runs path with args (program name not included) and waits for it, at most until the
// deadline or the stop. Both pipes are drained while the child runs. Never throws, never
// logs; any thread.
ToolResult runTool(const QString& path, const QStringList& args, ToolStream out, ToolStream err,
                   const ToolInput& input = {});

// Installs code run in every tool child between fork and exec (async-signal-safe only),
// e.g. so that children die with Tarnwick. Call once at start-up, before any tool runs.
void setToolChildSetup(void (*setup)());

} // namespace tarnwick
