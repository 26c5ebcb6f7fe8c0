#include "mount/mount_table.h"
#include "platform/linux/gio_command.h"
#include "platform/linux/gvfs_profile.h"
#include "platform/linux/gvfs_smb_location.h"

#include <QTest>

using namespace tarnwick;

namespace {

using Spec = QMap<QString, QString>;

GvfsMount smbMount(const QMap<QString, QString>& extra)
{
    GvfsMount mount;
    mount.displayName = QStringLiteral("public on nas");
    mount.prefix = QStringLiteral("/");
    mount.spec = {{QStringLiteral("type"), QStringLiteral("smb-share")},
                  {QStringLiteral("server"), QStringLiteral("nas")},
                  {QStringLiteral("share"), QStringLiteral("public")}};
    for (auto it = extra.begin(); it != extra.end(); ++it)
        mount.spec.insert(it.key(), it.value());
    return mount;
}

} // namespace

// The naming and command-line rules of the GVFS profile: which tracker entries count as SMB
// mounts and under which location, how gio is called, and how share names compare.
class TestGvfsSmbLocation : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void locationOfMount_data()
    {
        QTest::addColumn<Spec>("extra");
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("share"); // last component, as the engine cuts it
        QTest::newRow("guest share")
            << Spec{} << QStringLiteral("smb://nas/public/") << QStringLiteral("public");
        QTest::newRow("with user")
            << Spec{{QStringLiteral("user"), QStringLiteral("anna")}}
            << QStringLiteral("smb://anna@nas/public/") << QStringLiteral("public");
        QTest::newRow("domain and user")
            << Spec{{QStringLiteral("user"), QStringLiteral("anna")},
                    {QStringLiteral("domain"), QStringLiteral("CORP")}}
            << QStringLiteral("smb://CORP;anna@nas/public/") << QStringLiteral("public");
        QTest::newRow("port") << Spec{{QStringLiteral("port"), QStringLiteral("4450")}}
                              << QStringLiteral("smb://nas:4450/public/")
                              << QStringLiteral("public");
        QTest::newRow("space in share")
            << Spec{{QStringLiteral("share"), QStringLiteral("team docs")}}
            << QStringLiteral("smb://nas/team docs/") << QStringLiteral("team docs");
        QTest::newRow("IPv6 server")
            << Spec{{QStringLiteral("server"), QStringLiteral("fe80::1")}}
            << QStringLiteral("smb://[fe80::1]/public/") << QStringLiteral("public");
        QTest::newRow("sftp mount")
            << Spec{{QStringLiteral("type"), QStringLiteral("sftp")}} << QString() << QString();
        QTest::newRow("smb server browse")
            << Spec{{QStringLiteral("type"), QStringLiteral("smb-server")},
                    {QStringLiteral("share"), QString()}}
            << QString() << QString();
        QTest::newRow("share missing")
            << Spec{{QStringLiteral("share"), QString()}} << QString() << QString();
    }
    void locationOfMount()
    {
        QFETCH(Spec, extra);
        QFETCH(QString, location);
        QFETCH(QString, share);
        const auto found = GvfsSmbLocation::of(smbMount(extra));
        QCOMPARE(found.has_value(), !location.isEmpty());
        if (found) {
            QCOMPARE(*found, location);
            QCOMPARE(MountTable::lastComponent(*found), share);
        }
    }

    void description()
    {
        GvfsMount mount = smbMount({});
        mount.fusePath = QStringLiteral("/run/user/1000/gvfs/smb-share:server=nas,share=public");
        QCOMPARE(GvfsSmbLocation::describe(mount, QStringLiteral("smb://nas/public/")),
                 QStringLiteral("public on nas (smb://nas/public/) at "
                                "/run/user/1000/gvfs/smb-share:server=nas,share=public"));
        mount.fusePath.clear();
        QCOMPARE(GvfsSmbLocation::describe(mount, QStringLiteral("smb://nas/public/")),
                 QStringLiteral("public on nas (smb://nas/public/)"));
    }

    void uris_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("uri");
        QTest::newRow("plain") << QStringLiteral("smb://nas/public/")
                               << QStringLiteral("smb://nas/public/");
        QTest::newRow("space") << QStringLiteral("smb://10.0.0.2/team docs/")
                               << QStringLiteral("smb://10.0.0.2/team%20docs/");
        QTest::newRow("percent and hash in share")
            << QStringLiteral("smb://nas/100% #1/") << QStringLiteral("smb://nas/100%25%20%231/");
        QTest::newRow("user with at sign") << QStringLiteral("smb://anna@corp@nas/x/")
                                           << QStringLiteral("smb://anna%40corp@nas/x/");
        QTest::newRow("domain, port") << QStringLiteral("smb://CORP;anna b@nas:4450/x/")
                                      << QStringLiteral("smb://CORP;anna%20b@nas:4450/x/");
        QTest::newRow("non-ASCII share")
            << QStringLiteral("smb://nas/b\u00fcro/") << QStringLiteral("smb://nas/b%C3%BCro/");
        QTest::newRow("path stays") << QStringLiteral("/Team Docs") << QStringLiteral("/Team Docs");
    }
    void uris()
    {
        QFETCH(QString, location);
        QFETCH(QString, uri);
        QCOMPARE(GvfsSmbLocation::toUri(location), uri);
    }

    void mountCommand_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("share");
        QTest::addColumn<bool>("login");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("answers");
        const QString mount = QStringLiteral("mount");
        QTest::newRow("anonymous")
            << QStringLiteral("nas") << QStringLiteral("Public") << false
            << QStringList{mount, QStringLiteral("-a"), QStringLiteral("smb://nas/Public")}
            << QByteArray();
        QTest::newRow("login, space in share")
            << QStringLiteral("127.0.0.1") << QStringLiteral("Team Docs") << true
            << QStringList{mount, QStringLiteral("smb://j%C3%BCrgen%20k%40corp@127.0.0.1/"
                                                 "Team%20Docs")}
            << QByteArray("CORP\np@ss: w\xC3\xB6rd\n");
        QTest::newRow("IPv6 host")
            << QStringLiteral("fe80::2") << QStringLiteral("x") << false
            << QStringList{mount, QStringLiteral("-a"), QStringLiteral("smb://[fe80::2]/x")}
            << QByteArray();
    }
    void mountCommand()
    {
        QFETCH(QString, host);
        QFETCH(QString, share);
        QFETCH(bool, login);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, answers);
        std::optional<Credentials> credentials;
        if (login)
            credentials = Credentials{QStringLiteral("j\u00fcrgen k@corp"),
                                      QStringLiteral("p@ss: w\u00f6rd"), QStringLiteral("CORP")};
        const QStringList built = GioCommand::mountArgs(host, share, credentials);
        QCOMPARE(built, args);
        QCOMPARE(GioCommand::mountAnswers(credentials), answers);
        if (credentials) {
            for (const QString& arg : built)
                QVERIFY2(!arg.contains(QStringLiteral("p@ss")) &&
                             !arg.contains(QStringLiteral("p%40ss")),
                         "the password must stay out of argv");
        }
    }

    void emptyDomainKeepsDefault()
    {
        const Credentials login{QStringLiteral("anna"), QStringLiteral("pw"), QString()};
        QCOMPARE(GioCommand::mountAnswers(login), QByteArray("\npw\n"));
    }

    void unmountCommand()
    {
        QCOMPARE(GioCommand::unmountArgs(QStringLiteral("smb://anna@nas/team docs/")),
                 (QStringList{QStringLiteral("mount"), QStringLiteral("-u"),
                              QStringLiteral("smb://anna@nas/team%20docs/")}));
    }

    void nameKeys_data()
    {
        QTest::addColumn<QString>("configured");
        QTest::addColumn<QString>("fromGvfs");
        QTest::addColumn<bool>("same");
        QTest::newRow("upper case and space")
            << QStringLiteral("Team Docs") << QStringLiteral("team docs") << true;
        QTest::newRow("sharp s folds to ss")
            << QStringLiteral("Stra\u00dfe") << QStringLiteral("strasse") << true;
        QTest::newRow("decomposed accent")
            << QStringLiteral("Caf\u00e9") << QStringLiteral("cafe\u0301") << true;
        QTest::newRow("non-ASCII upper case")
            << QStringLiteral("\u00c4RGER") << QStringLiteral("\u00e4rger") << true;
        QTest::newRow("different names")
            << QStringLiteral("Media") << QStringLiteral("media-1") << false;
    }
    void nameKeys()
    {
        QFETCH(QString, configured);
        QFETCH(QString, fromGvfs);
        QFETCH(bool, same);
        const GvfsProfile profile;
        QCOMPARE(profile.nameKey(configured) == profile.nameKey(fromGvfs), same);
        // A key is a fixed point: the engine folds names that are already keys.
        QCOMPARE(profile.nameKey(profile.nameKey(configured)), profile.nameKey(configured));
    }
};

QTEST_GUILESS_MAIN(TestGvfsSmbLocation)
#include "tst_gvfs_smb_location.moc"
