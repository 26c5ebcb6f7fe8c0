#include <QProcess>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

// The diagnosis modes of the real tarnwick binary beside the private avahi-daemon and the
// Samba rig of tests/support (avahi-env.sh, smbd-rig.sh), which avahi announces as
// "Office Files" on files.local.
class TestDiscoveryCommand : public QObject {
    Q_OBJECT

    QProcess m_address, m_service;

    static bool publish(QProcess& process, const QStringList& args)
    {
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(u"stdbuf"_s, QStringList{u"-oL"_s, u"avahi-publish"_s} + args);
        QByteArray seen;
        for (int i = 0; i < 200 && !seen.contains("Established"); ++i) {
            process.waitForReadyRead(50);
            seen += process.readAll();
        }
        return seen.contains("Established");
    }

private Q_SLOTS:
    void initTestCase()
    {
        const QString smbHost = qEnvironmentVariable("TARNWICK_SMB_HOST");
        if (smbHost.isEmpty() || qEnvironmentVariableIsEmpty("TARNWICK_AVAHI_HOST"))
            QFAIL("needs tests/support/avahi-env.sh and tests/support/smbd-rig.sh");
        QVERIFY(publish(m_address, {u"-a"_s, u"-R"_s, u"files.local"_s, smbHost}));
        QVERIFY(publish(m_service, {u"-s"_s, u"-H"_s, u"files.local"_s, u"Office Files"_s,
                                    u"_smb._tcp"_s, u"445"_s}));
    }
    void cleanupTestCase()
    {
        for (QProcess* process : {&m_service, &m_address}) {
            process->terminate();
            process->waitForFinished();
        }
    }

    void discoverPrintsServersAsTheyResolve()
    {
        QProcess tarnwick;
        tarnwick.start(QStringLiteral(TARNWICK_APP), {u"--discover"_s, u"60"_s});
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT(
            (out += tarnwick.readAllStandardOutput()).contains("Office Files\tfiles.local\t445\n"),
            15000);
        QCOMPARE(tarnwick.state(), QProcess::Running);
        tarnwick.terminate();
        tarnwick.waitForFinished();
    }

    void exitsWhenDone_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("out"); // null: not looked at
        QTest::newRow("discover for no time")
            << QStringList{u"--discover"_s, u"0"_s} << QByteArray();
        QTest::newRow("shares of an mDNS name")
            << QStringList{u"--list-shares"_s, u"files.local"_s}
            << QByteArray("Public\nQuarterly Reports 2024\nTeam Docs\narchive\n");
        QTest::newRow("no shares there")
            << QStringList{u"--list-shares"_s, u"127.0.0.2"_s} << QByteArray("");
    }
    void exitsWhenDone()
    {
        QFETCH(QStringList, args);
        QFETCH(QByteArray, out);
        QProcess tarnwick;
        tarnwick.start(QStringLiteral(TARNWICK_APP), args);
        QVERIFY(tarnwick.waitForFinished(60000));
        QCOMPARE(tarnwick.exitStatus(), QProcess::NormalExit);
        QCOMPARE(tarnwick.exitCode(), 0);
        if (!out.isNull())
            QCOMPARE(tarnwick.readAllStandardOutput(), out);
    }
};

QTEST_GUILESS_MAIN(TestDiscoveryCommand)
#include "tst_discovery_command.moc"
