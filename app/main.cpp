#include "shell/discovery_command.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[])
{
    if (tarnwick::DiscoveryCommand::requested(argc, argv))
        return tarnwick::DiscoveryCommand::run(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarnwick"));
    QApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Keeps your SMB shares mounted."));
    parser.addHelpOption();
    parser.addVersionOption();
    tarnwick::DiscoveryCommand::addOptions(parser);
    parser.process(app);
    return 0;
}
