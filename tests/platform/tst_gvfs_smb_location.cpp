#include "mount/mount_table.h"
#include "platform/linux/gio_command.h"
#include "platform/linux/gvfs_profile.h"
#include "platform/linux/gvfs_smb_location.h"
#include "test_text.h"

#include <QTest>

using namespace tarnwick;
using test::s;

// The naming and command-line rules of the GVFS profile: which tracker entries count as SMB
// mounts and under which location, how gio is called, and how share names compare.
class TestGvfsSmbLocation : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void locationOfMount_data()
    {
        QTest::addColumn<QString>("spec"); // changes to a guest mount of "public" on "nas"
        QTest::addColumn<QString>("location");
        const auto row = [](const char* tag, const char* spec, const char* location) {
            QTest::newRow(tag) << s(spec) << s(location);
        };
        row("guest share", "", "smb://nas/public/");
        row("domain and user", "user=anna|domain=CORP", "smb://CORP;anna@nas/public/");
        row("port", "port=4450", "smb://nas:4450/public/");
        row("space in share", "share=team docs", "smb://nas/team docs/");
        row("IPv6 server", "server=fe80::1", "smb://[fe80::1]/public/");
        row("sftp mount", "type=sftp", "");
        row("smb server browse", "type=smb-server|share=", "");
        row("share missing", "share=", "");
    }
    void locationOfMount()
    {
        QFETCH(QString, spec);
        QFETCH(QString, location);
        GvfsMount mount;
        mount.spec = {
            {s("type"), s("smb-share")}, {s("server"), s("nas")}, {s("share"), s("public")}};
        for (const QString& entry : spec.split(u'|', Qt::SkipEmptyParts))
            mount.spec.insert(entry.section(u'=', 0, 0), entry.section(u'=', 1));
        QCOMPARE(GvfsSmbLocation::of(mount).value_or(QString()), location);
        if (!location.isEmpty()) // the engine takes the last component as the share name
            QCOMPARE(MountTable::lastComponent(location), mount.spec.value(s("share")));
    }

    void unmountUris_data()
    {
        QTest::addColumn<QString>("location");
        QTest::addColumn<QString>("uri");
        const auto row = [](const char* tag, const char* location, const char* uri) {
            QTest::newRow(tag) << s(location) << s(uri);
        };
        row("space", "smb://10.0.0.2/team docs/", "smb://10.0.0.2/team%20docs/");
        row("percent and hash in share", "smb://nas/100% #1/", "smb://nas/100%25%20%231/");
        row("user with at sign", "smb://anna@corp@nas/x/", "smb://anna%40corp@nas/x/");
        row("domain, port", "smb://CORP;anna b@nas:4450/x/", "smb://CORP;anna%20b@nas:4450/x/");
        row("a path stays", "/Team Docs", "/Team Docs");
    }
    void unmountUris()
    {
        QFETCH(QString, location);
        QFETCH(QString, uri);
        QCOMPARE(GioCommand::unmountArgs(location), (QStringList{s("mount"), s("-u"), uri}));
    }

    void mountCommand_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("share");
        QTest::addColumn<QString>("domain"); // "-": no credentials
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("answers");
        const auto row = [](const char* tag, const char* host, const char* share,
                            const char* domain, const char* args, const char* answers) {
            QTest::newRow(tag) << s(host) << s(share) << s(domain) << test::list(args)
                               << QByteArray(answers);
        };
        row("anonymous", "nas", "Public", "-", "mount|-a|smb://nas/Public", "");
        row("IPv6 host", "fe80::2", "x", "-", "mount|-a|smb://[fe80::2]/x", "");
        row("login, space in share", "127.0.0.1", "Team Docs", "CORP",
            "mount|smb://j%C3%BCrgen%20k%40corp@127.0.0.1/Team%20Docs",
            "CORP\np@ss: w\xC3\xB6rd\n");
        row("empty domain keeps the default", "nas", "x", "",
            "mount|smb://j%C3%BCrgen%20k%40corp@nas/x", "\np@ss: w\xC3\xB6rd\n");
    }
    void mountCommand()
    {
        QFETCH(QString, host);
        QFETCH(QString, share);
        QFETCH(QString, domain);
        QFETCH(QStringList, args);
        QFETCH(QByteArray, answers);
        std::optional<Credentials> login;
        if (domain != s("-"))
            login = Credentials{s("j\u00fcrgen k@corp"), s("p@ss: w\u00f6rd"), domain};
        QCOMPARE(GioCommand::mountArgs(host, share, login), args); // never the password
        QCOMPARE(GioCommand::mountAnswers(login), answers);
    }

    void nameKeys_data()
    {
        QTest::addColumn<QString>("configured");
        QTest::addColumn<QString>("fromGvfs");
        QTest::addColumn<bool>("same");
        QTest::newRow("upper case and space") << s("Team Docs") << s("team docs") << true;
        QTest::newRow("sharp s folds to ss") << s("Stra\u00dfe") << s("strasse") << true;
        QTest::newRow("decomposed accent") << s("Caf\u00e9") << s("cafe\u0301") << true;
        QTest::newRow("non-ASCII upper case") << s("\u00c4RGER") << s("\u00e4rger") << true;
        QTest::newRow("different names") << s("Media") << s("media-1") << false;
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
