#include "platform/linux/secret_service_store.h"
#include "test_text.h"

#include <QProcess>
#include <QTest>

using namespace tarnwick;
using test::s;

class TestSecretServiceStore : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QFAIL("needs the session wrapper (tests/support/session-env.sh)");
        // Items stored the way a file manager does, in the real keyring.
        const auto store = [](const char* attributes, const QByteArray& secret) {
            QProcess tool;
            tool.start(
                s("secret-tool"),
                test::list("store|--label=test|xdg:schema|org.gnome.keyring.NetworkPassword|") +
                    test::list(attributes));
            tool.write(secret);
            tool.closeWriteChannel();
            QVERIFY(tool.waitForFinished() && tool.exitCode() == 0);
        };
        store("user|anna|domain|WORKGROUP|server|nas.local|protocol|smb",
              "p@ss \"quoted\" = colon:");
        store("user|bob|server|ftp.local|protocol|sftp", "other");
        store("server|nouser.local|protocol|smb", "secret");
        store("user|J\u00fcrgen|server|10.0.0.7|protocol|smb", "pa\u00df\nwort");
    }

    void lookups_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QStringList>("login"); // user, password, domain; empty: none found
        const auto row = [](const char* tag, const char* server, const QStringList& login) {
            QTest::newRow(tag) << s(server) << login;
        };
        row("file-manager item", "nas.local",
            {s("anna"), s("p@ss \"quoted\" = colon:"), s("WORKGROUP")});
        row("non-ASCII and newline", "10.0.0.7",
            {s("J\u00fcrgen"), s("pa\u00df\nwort"), QString()});
        row("exact server only", "nas", {});
        row("other protocol", "ftp.local", {});
        row("item without user", "nouser.local", {});
        row("nothing stored", "unknown.example", {});
    }
    void lookups()
    {
        QFETCH(QString, server);
        QFETCH(QStringList, login);
        const auto found = SecretServiceStore::find(server);
        QCOMPARE((found ? QStringList{found->user, found->password, found->domain} : QStringList()),
                 login);
    }
};

QTEST_GUILESS_MAIN(TestSecretServiceStore)
#include "tst_secret_service_store.moc"
