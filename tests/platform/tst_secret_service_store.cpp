#include "platform/linux/secret_service_store.h"

#include <QProcess>
#include <QTest>

using namespace tarnwick;

class TestSecretServiceStore : public QObject {
    Q_OBJECT

    // Stores an item the way a file manager does, through the real keyring.
    static void store(const QStringList& attributes, const QByteArray& secret)
    {
        QProcess tool;
        tool.start(QStringLiteral("secret-tool"),
                   QStringList{QStringLiteral("store"), QStringLiteral("--label=test"),
                               QStringLiteral("xdg:schema"),
                               QStringLiteral("org.gnome.keyring.NetworkPassword")} +
                       attributes);
        QVERIFY(tool.waitForStarted());
        tool.write(secret);
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished());
        QCOMPARE(tool.exitCode(), 0);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
            QFAIL("needs the session wrapper (tests/support/session-env.sh)");
        store({QStringLiteral("user"), QStringLiteral("anna"), QStringLiteral("domain"),
               QStringLiteral("WORKGROUP"), QStringLiteral("server"), QStringLiteral("nas.local"),
               QStringLiteral("protocol"), QStringLiteral("smb")},
              "p@ss \"quoted\" = colon:");
        store({QStringLiteral("user"), QStringLiteral("bob"), QStringLiteral("server"),
               QStringLiteral("ftp.local"), QStringLiteral("protocol"), QStringLiteral("sftp")},
              "other");
        store({QStringLiteral("server"), QStringLiteral("nouser.local"), QStringLiteral("protocol"),
               QStringLiteral("smb")},
              "secret");
        store({QStringLiteral("user"), QStringLiteral("J\u00fcrgen"), QStringLiteral("server"),
               QStringLiteral("10.0.0.7"), QStringLiteral("protocol"), QStringLiteral("smb")},
              "pa\u00df\nwort");
    }

    void lookups_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QString>("domain");
        QTest::newRow("file-manager item")
            << QStringLiteral("nas.local") << QStringLiteral("anna")
            << QStringLiteral("p@ss \"quoted\" = colon:") << QStringLiteral("WORKGROUP");
        QTest::newRow("non-ASCII and newline")
            << QStringLiteral("10.0.0.7") << QStringLiteral("J\u00fcrgen")
            << QStringLiteral("pa\u00df\nwort") << QString();
        QTest::newRow("exact server only")
            << QStringLiteral("nas") << QString() << QString() << QString();
        QTest::newRow("other protocol")
            << QStringLiteral("ftp.local") << QString() << QString() << QString();
        QTest::newRow("item without user")
            << QStringLiteral("nouser.local") << QString() << QString() << QString();
        QTest::newRow("nothing stored")
            << QStringLiteral("unknown.example") << QString() << QString() << QString();
    }
    void lookups()
    {
        QFETCH(QString, server);
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QString, domain);
        const auto found = SecretServiceStore::find(server);
        QCOMPARE(found.has_value(), !user.isEmpty());
        if (found) {
            QCOMPARE(found->user, user);
            QCOMPARE(found->password, password);
            QCOMPARE(found->domain, domain);
        }
    }
};

QTEST_GUILESS_MAIN(TestSecretServiceStore)
#include "tst_secret_service_store.moc"
