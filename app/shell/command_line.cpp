#include "shell/command_line.h"

#include <QCoreApplication>

#include <cstdio>

namespace tarnwick {

void CommandLine::prepare(QCommandLineParser& parser)
{
    QCoreApplication::setApplicationName(QStringLiteral("tarnwick"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
    parser.setApplicationDescription(QStringLiteral("Keeps your SMB shares mounted."));
    parser.addHelpOption();
    parser.addVersionOption();
}

std::optional<MountTiming> CommandLine::timing(const QCommandLineParser& parser)
{
    bool ok = false;
    const double factor = parser.value(QStringLiteral("time-scale")).toDouble(&ok);
    if (!ok || !(factor > 0)) {
        std::fprintf(stderr, "tarnwick: --time-scale needs a number above 0\n");
        return std::nullopt;
    }
    return MountTiming().scaled(factor);
}

} // namespace tarnwick
