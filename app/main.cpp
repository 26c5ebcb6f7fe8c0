#include "shell/headless_app.h"

#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[])
{
    if (tarnwick::HeadlessApp::requested(argc, argv))
        return tarnwick::HeadlessApp::run(argc, argv);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarnwick"));
    QApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Keeps your SMB shares mounted."));
    parser.addHelpOption();
    parser.addVersionOption();
    tarnwick::HeadlessApp::addOptions(parser);
    parser.process(app);
    return 0;
}
