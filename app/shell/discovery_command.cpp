#include "shell/discovery_command.h"

#include "discovery/bonjour_browser.h"
#include "platform/profile_factory.h"
#include "shell/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTimer>

#include <cstdio>
#include <cstring>

namespace tarnwick {

namespace {

const QString kDiscover = QStringLiteral("discover");
const QString kListShares = QStringLiteral("list-shares");
const QString kToolRoot = QStringLiteral("tool-root");
constexpr int kDefaultSeconds = 5;

void printLine(const QString& line)
{
    std::fputs(line.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

int discover(QCoreApplication& app, BonjourBrowser& browser, const QString& secondsText)
{
    int seconds = kDefaultSeconds;
    if (!secondsText.isEmpty()) {
        bool ok = false;
        seconds = secondsText.toInt(&ok);
        if (!ok || seconds < 0) {
            std::fprintf(stderr, "tarnwick: --discover takes a number of seconds\n");
            return 2;
        }
    }
    qsizetype printed = 0;
    QObject::connect(&browser, &BonjourBrowser::discoveredChanged, &app, [&] {
        const auto& servers = browser.discovered();
        for (; printed < servers.size(); ++printed) {
            const DiscoveredServer& server = servers.at(printed);
            printLine(server.name + u'\t' + server.host + u'\t' + QString::number(server.port));
        }
    });
    int status = 0;
    QObject::connect(&browser, &BonjourBrowser::isSearchingChanged, &app, [&] {
        if (browser.isSearching())
            return;
        std::fprintf(stderr, "tarnwick: service discovery is not available\n");
        status = 1;
        app.quit();
    });
    QTimer::singleShot(std::chrono::seconds(seconds), &app, [&] {
        QObject::disconnect(&browser, &BonjourBrowser::isSearchingChanged, &app, nullptr);
        browser.stopSearch();
        app.quit();
    });
    browser.startSearch();
    QCoreApplication::exec();
    return status;
}

int listShares(BonjourBrowser& browser, const QString& host)
{
    browser.listShares(host, [](const ShareListing& listing) {
        for (const QString& name : listing.names)
            printLine(name);
        QCoreApplication::quit();
    });
    return QCoreApplication::exec();
}

} // namespace

bool DiscoveryCommand::requested(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--discover") == 0 || std::strcmp(arg, "--list-shares") == 0 ||
            std::strncmp(arg, "--list-shares=", 14) == 0) {
            return true;
        }
    }
    return false;
}

void DiscoveryCommand::addOptions(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(
        kDiscover, QStringLiteral("Print the SMB servers found on the local network "
                                  "(name, host, port) for [seconds] (default 5), then exit.")));
    parser.addOption(QCommandLineOption(
        kListShares, QStringLiteral("Print the disk shares of <host>, one per line, then exit."),
        QStringLiteral("host")));
}

int DiscoveryCommand::run(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    CommandLine::prepare(parser);
    addOptions(parser);
    parser.addOption(QCommandLineOption(
        kToolRoot, QStringLiteral("List shares with <dir>/usr/bin/smbutil (the macOS tools)."),
        QStringLiteral("dir")));
    parser.addPositionalArgument(QStringLiteral("seconds"),
                                 QStringLiteral("How long --discover searches."),
                                 QStringLiteral("[seconds]"));
    parser.process(app);

    BonjourBrowser browser(ProfileFactory::createShareLister(parser.value(kToolRoot)),
                           ProfileFactory::createDiscoveryBackend());
    if (parser.isSet(kListShares))
        return listShares(browser, parser.value(kListShares));
    return discover(app, browser, parser.positionalArguments().value(0));
}

} // namespace tarnwick
