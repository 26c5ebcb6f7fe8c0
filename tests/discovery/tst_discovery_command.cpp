#include <QProcess>
#include <QTest>

// The diagnosis modes of the real tarnwick binary, beside the private avahi-daemon and the
// Samba server of tests/support (avahi-env.sh, smbd-env.sh).
class TestDiscoveryCommand : public QObject {
    Q_OBJECT

    QProcess m_publisher;

    static QProcess* tarnwick(const QStringList& args)
    {
        auto* process = new QProcess;
        process->start(QStringLiteral(TARNWICK_APP), args);
        return process;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("TARNWICK_AVAHI_HOST") ||
            qEnvironmentVariableIsEmpty("TARNWICK_SMB_HOST"))
            QFAIL("needs tests/support/avahi-env.sh and tests/support/smbd-env.sh");
        m_publisher.start(QStringLiteral("avahi-publish"),
                          {QStringLiteral("-s"), QStringLiteral("Office Files"),
                           QStringLiteral("_smb._tcp"), QStringLiteral("445")});
        QVERIFY(m_publisher.waitForStarted());
    }

    void cleanupTestCase()
    {
        m_publisher.terminate();
        m_publisher.waitForFinished();
    }

    void discoverPrintsServersAsTheyResolve()
    {
        std::unique_ptr<QProcess> process(
            tarnwick({QStringLiteral("--discover"), QStringLiteral("60")}));
        QByteArray out;
        const QByteArray line = "Office Files\t" + qgetenv("TARNWICK_AVAHI_HOST") + "\t445\n";
        QTRY_VERIFY_WITH_TIMEOUT((out += process->readAllStandardOutput()).contains(line), 15000);
        QCOMPARE(process->state(), QProcess::Running);
        process->terminate();
        process->waitForFinished();
    }

    void discoverEndsAfterItsTime()
    {
        std::unique_ptr<QProcess> process(
            tarnwick({QStringLiteral("--discover"), QStringLiteral("0")}));
        QVERIFY(process->waitForFinished());
        QCOMPARE(process->exitStatus(), QProcess::NormalExit);
        QCOMPARE(process->exitCode(), 0);
    }

    void listShares_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("shares") << qEnvironmentVariable("TARNWICK_SMB_HOST")
                                << QByteArray(
                                       "Public\nQuarterly Reports 2024\nTeam Docs\narchive\n");
        QTest::newRow("server by its avahi name")
            << qEnvironmentVariable("TARNWICK_AVAHI_HOST")
            << QByteArray("Public\nQuarterly Reports 2024\nTeam Docs\narchive\n");
        QTest::newRow("nothing there") << QStringLiteral("127.0.0.2") << QByteArray();
    }
    void listShares()
    {
        QFETCH(QString, host);
        QFETCH(QByteArray, out);
        std::unique_ptr<QProcess> process(tarnwick({QStringLiteral("--list-shares"), host}));
        QVERIFY(process->waitForFinished(60000));
        QCOMPARE(process->readAllStandardOutput(), out);
        QCOMPARE(process->exitCode(), 0);
    }
};

QTEST_GUILESS_MAIN(TestDiscoveryCommand)
#include "tst_discovery_command.moc"
