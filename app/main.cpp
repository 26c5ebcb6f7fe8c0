#include <QApplication>
#include <QCommandLineParser>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tarnwick"));
    QApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Keeps your SMB shares mounted."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.process(app);
    return 0;
}
