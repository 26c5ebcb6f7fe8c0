#include "shell/sign_in_command.h"

#include "discovery/share_lister.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "mount/mount_operation.h"
#include "mount/mount_table.h"
#include "mount/stop_signal.h"
#include "mount/system_profile.h"
#include "platform/profile_factory.h"
#include "shell/command_line.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <cstring>
#include <string>
#include <termios.h>
#include <unistd.h>

namespace tarnwick {

namespace {

const QString kSignIn = QStringLiteral("sign-in");
const QString kSettings = QStringLiteral("settings");

void say(FILE* stream, const QString& line)
{
    std::fputs((QStringLiteral("tarnwick: ") + line + u'\n').toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

// One line of standard input, without its line end; echo off while a terminal types it.
// nullopt at end of input.
std::optional<QString> readPassword(const QString& prompt)
{
    const bool terminal = ::isatty(STDIN_FILENO) == 1;
    termios saved{};
    if (terminal && ::tcgetattr(STDIN_FILENO, &saved) == 0) {
        std::fputs(prompt.toLocal8Bit().constData(), stderr);
        std::fflush(stderr);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        quiet.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    bool any = false;
    for (int c = std::fgetc(stdin); c != EOF && c != '\n'; c = std::fgetc(stdin)) {
        line.push_back(char(c));
        any = true;
    }
    if (terminal)
        ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    QString password = QString::fromLocal8Bit(line.data(), qsizetype(line.size()));
    std::fill(line.begin(), line.end(), '\0');
    if (!any)
        return std::nullopt;
    return password;
}

// Stores login for host when a listing of its shares with it (one logon) succeeds.
int signInByListing(const SystemProfile& profile, const ShareLister& lister, const QString& host,
                    const Credentials& login)
{
    const auto tried = lister.listingWith(host, login);
    if (!tried) {
        say(stderr, host + QStringLiteral(" has no configured share, and its shares cannot be "
                                          "listed with this login; add the server and a share "
                                          "first"));
        return 2;
    }
    const ShareListing& listing = *tried;
    if (listing.names.isEmpty()) {
        say(stderr, host + QStringLiteral(": ") +
                        (listing.failure == ShareListing::Failure::LoginRefused
                             ? QStringLiteral("login refused")
                         : listing.failure == ShareListing::Failure::Unreachable
                             ? QStringLiteral("server unreachable")
                             : QStringLiteral("no share could be listed with this login")));
        return 1;
    }
    say(stdout, QStringLiteral("signed in to %1 as %2; it offers %3")
                    .arg(host, login.user, listing.names.join(QStringLiteral(", "))));
    if (!profile.keepsLogins())
        return 0;
    if (!profile.storeLogin(host, login)) {
        say(stderr, QStringLiteral("the keyring did not take the login"));
        return 1;
    }
    say(stdout, QStringLiteral("the login is stored in the keyring"));
    return 0;
}

} // namespace

bool SignInCommand::requested(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sign-in") == 0 || std::strncmp(argv[i], "--sign-in=", 10) == 0)
            return true;
    }
    return false;
}

void SignInCommand::addOptions(QCommandLineParser& parser)
{
    parser.addOption(QCommandLineOption(
        kSignIn,
        QStringLiteral("Ask for the password of <[domain;]user@host> (from standard input when "
                       "it is no terminal), try it once on the host's first share (or, with "
                       "none configured, by listing its shares) and store it in the keyring "
                       "when the server takes it, then exit."),
        QStringLiteral("[domain;]user@host")));
}

int SignInCommand::run(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    CommandLine::prepare(parser);
    addOptions(parser);
    parser.addOption(QCommandLineOption(
        kSettings, QStringLiteral("Use the settings file <file> (INI)."), QStringLiteral("file")));
    parser.process(app);

    // [DOMAIN;]USER@HOST: a user name may hold "@", a host never does.
    const QString account = parser.value(kSignIn);
    const qsizetype at = account.lastIndexOf(u'@');
    const qsizetype semicolon = account.indexOf(u';');
    Credentials login;
    login.domain = semicolon < 0 ? QString() : account.left(semicolon);
    login.user = account.mid(semicolon + 1, at - semicolon - 1);
    const QString host = at < 0 ? QString() : account.mid(at + 1);
    if (login.user.isEmpty() || host.isEmpty()) {
        say(stderr, QStringLiteral("--sign-in takes [DOMAIN;]USER@HOST"));
        return 2;
    }

    const auto settings = AppSettings::open(parser.value(kSettings));
    const ShareStore store(*settings);
    const auto profile = ProfileFactory::create();
    std::optional<Server> server;
    for (const Server& candidate : store.servers()) {
        if (!server && !candidate.shares.isEmpty() &&
            MountTable::hostKey(candidate.host) == MountTable::hostKey(host))
            server = candidate;
    }
    const auto password =
        readPassword(QStringLiteral("Password for %1@%2: ").arg(login.user, host));
    if (!password || password->isEmpty()) {
        say(stderr, QStringLiteral("no password given"));
        return 2;
    }
    login.password = *password;
    // Without a configured share the login is tried by listing the host's shares.
    if (!server)
        return signInByListing(*profile, *ProfileFactory::createShareLister(), host, login);

    const Share& share = server->shares.first();
    const StopSignal stop;
    const MountTiming timing;
    const MountOperation operation(*profile, nullptr, timing, stop);
    const MountOutcome outcome = operation.performWith(server->host, share.name, login);
    if (!outcome.mounted) {
        ShareStatus status;
        status.reason = outcome.reason;
        status.toolStatus = outcome.toolStatus;
        status.message = outcome.message;
        say(stderr,
            QStringLiteral("%1 on %2: %3").arg(share.name, server->host, status.describe()));
        return 1;
    }
    say(stdout, QStringLiteral("signed in to %1 as %2; %3 is mounted")
                    .arg(server->host, login.user, share.name));
    if (!profile->keepsLogins())
        return 0;
    if (!profile->storeLogin(server->host, login)) {
        say(stderr, QStringLiteral("the keyring did not take the login"));
        return 1;
    }
    say(stdout, QStringLiteral("the login is stored in the keyring"));
    return 0;
}

} // namespace tarnwick
