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

bool CommandLine::helpRequested(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg == "-h" || arg == "-?" || arg == "--help" || arg == "--help-all" || arg == "-v" ||
            arg == "--version")
            return true;
    }
    return false;
}

int CommandLine::showHelp(int argc, char** argv,
                          std::initializer_list<void (*)(QCommandLineParser&)> optionAdders)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    prepare(parser);
    for (auto add : optionAdders)
        add(parser);
    parser.process(app); // prints and exits for --help and --version
    return 0;
}

} // namespace tarnwick
