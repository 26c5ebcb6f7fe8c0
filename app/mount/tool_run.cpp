#include "mount/tool_run.h"

#include <QProcess>
#include <QStringDecoder>

namespace tarnwick {

namespace {

QString decodeUtf8(const QByteArray& bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return QString();
    return text;
}

} // namespace

ToolResult runTool(const QString& path, const QStringList& args, ToolStream out, ToolStream err,
                   const ToolInput& input)
{
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

    process.start(QIODevice::ReadWrite);
    if (!process.waitForStarted(-1))
        return ToolResult{};
    if (!input.stdinData.isEmpty()) {
        process.write(input.stdinData);
        process.closeWriteChannel();
    }
    // QProcess keeps reading both pipes into its buffers while it waits, so a chatty
    // tool cannot fill a pipe and stall.
    process.waitForFinished(-1);

    ToolResult result;
    result.status = process.exitCode();
    if (out == ToolStream::Capture)
        result.out = decodeUtf8(process.readAllStandardOutput());
    if (err == ToolStream::Capture)
        result.err = decodeUtf8(process.readAllStandardError());
    return result;
}

} // namespace tarnwick
