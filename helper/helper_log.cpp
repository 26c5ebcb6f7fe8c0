#include "helper_log.h"

#include "helper_names.h"
#include "whole_line.h"

#include <atomic>
#include <cerrno>
#include <unistd.h>

namespace tarnwick::helper {

namespace {
std::atomic<HelperLog::Sink> g_sink{nullptr};
} // namespace

QByteArray HelperLog::format(Level level, const QString& message)
{
    QByteArray line =
        '<' + QByteArray::number(int(level)) + ">[" + kServiceName.toUtf8() + "/Default] ";
    const QByteArray text = message.toUtf8();
    line.reserve(line.size() + text.size() + 1);
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            static const char digits[] = "0123456789abcdef";
            line += "\\x";
            line += digits[byte >> 4];
            line += digits[byte & 0xf];
        } else {
            line += c;
        }
    }
    line += '\n';
    return line;
}

void HelperLog::write(Level level, const QString& message)
{
    const QByteArray line = format(level, message);
    if (const Sink sink = g_sink.load()) {
        sink(line);
        return;
    }
    writeWholeLine(STDERR_FILENO, line);
}

void HelperLog::setSink(Sink sink)
{
    g_sink.store(sink);
}

} // namespace tarnwick::helper
