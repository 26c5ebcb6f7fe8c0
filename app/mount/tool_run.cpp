#include "mount/tool_run.h"

#include "mount/stop_signal.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringDecoder>

#include <atomic>

namespace tarnwick {

namespace {

using std::chrono::milliseconds;

// How often a waiting run looks at its stop signal, and how long an ended child gets
// between TERM and KILL.
constexpr int kStopCheckMs = 25;
constexpr int kTermGraceMs = 300;

std::atomic<void (*)()> g_childSetup{nullptr};

QString decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return QString();
    return text;
}

// Waits for the child until it ends, the deadline passes or the stop is raised; true when
// it ended by itself.
bool waitForExit(QProcess& process, const ToolInput& input)
{
    const QDeadlineTimer deadline = input.deadline.count() > 0
                                        ? QDeadlineTimer(input.deadline.count())
                                        : QDeadlineTimer(QDeadlineTimer::Forever);
    while (true) {
        if (input.stop && input.stop->stopped())
            return false;
        const qint64 left = deadline.remainingTime();
        if (left == 0)
            return false;
        int slice = input.stop ? kStopCheckMs : -1;
        if (left > 0 && (slice < 0 || left < slice))
            slice = int(left);
        // QProcess keeps reading both pipes into its buffers while it waits, so a chatty
        // tool cannot fill a pipe and stall.
        if (process.waitForFinished(slice) || process.state() == QProcess::NotRunning)
            return true;
    }
}

void endChild(QProcess& process)
{
    process.terminate();
    if (!process.waitForFinished(kTermGraceMs)) {
        process.kill();
        process.waitForFinished(-1);
    }
}

} // namespace

void setToolChildSetup(void (*setup)())
{
    g_childSetup.store(setup, std::memory_order_release);
}

ToolResult runTool(const QString& path, const QStringList& args, ToolStream out, ToolStream err,
                   const ToolInput& input)
{
    if (input.stop && input.stop->stopped())
        return ToolResult{kToolTimedOut, {}, {}, true};

    QProcess process;
    process.setProgram(path);
    process.setArguments(args);
    if (out == ToolStream::Discard)
        process.setStandardOutputFile(QProcess::nullDevice());
    if (err == ToolStream::Discard)
        process.setStandardErrorFile(QProcess::nullDevice());
    if (input.stdinData.isEmpty())
        process.setStandardInputFile(QProcess::nullDevice());
    if (!input.extraEnv.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(input.extraEnv);
        process.setProcessEnvironment(env);
    }
    if (auto setup = g_childSetup.load(std::memory_order_acquire))
        process.setChildProcessModifier(setup);

    process.start(QIODevice::ReadWrite);
    if (!process.waitForStarted(-1))
        return ToolResult{};
    if (!input.stdinData.isEmpty()) {
        process.write(input.stdinData);
        process.closeWriteChannel();
    }

    ToolResult result;
    if (waitForExit(process, input)) {
        result.status = process.exitCode();
    } else {
        endChild(process);
        result.status = kToolTimedOut;
        result.timedOut = true;
    }
    if (out == ToolStream::Capture)
        result.out = decodeUtf8(process.readAllStandardOutput());
    if (err == ToolStream::Capture)
        result.err = decodeUtf8(process.readAllStandardError());
    return result;
}

} // namespace tarnwick
