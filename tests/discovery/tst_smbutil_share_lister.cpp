#include "discovery/share_lister.h"
#include "fake_tool_rig.h"
#include "platform/profile_factory.h"

#include <QTest>

using namespace tarnwick;
using tarnwick::test::FakeToolRig;

namespace {

const QString kSmbutil = QStringLiteral("smbutil");
const QString kSecurity = QStringLiteral("security");

QString shellQuoted(const QString& text)
{
    QString quoted = text;
    quoted.replace(u'\'', QLatin1StringView("'\\''"));
    return u'\'' + quoted + u'\'';
}

// A fake security that finds an item for server only, printing it like
// `security find-internet-password -g`: attributes on standard output, the password on
// standard error.
QString keychainHook(const QString& server, const QString& user, const QString& password)
{
    const QString account = QStringLiteral("    \"acct\"<blob>=\"%1\"").arg(user);
    const QString secret = QStringLiteral("password: \"%1\"").arg(password);
    return QStringLiteral("if [ \"$3\" = %1 ]; then\n"
                          "  printf '%s\\n' 'keychain: \"/k.keychain-db\"' %2\n"
                          "  printf '%s\\n' %3 >&2\n"
                          "  status=0\n"
                          "fi\n")
        .arg(shellQuoted(server), shellQuoted(account), shellQuoted(secret));
}

const QByteArray kTableHeader = "Share                                           Type    Comments\n"
                                "-------------------------------\n";

} // namespace

class TestSmbutilShareLister : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Without a stored login, call 1 is the guest attempt and call 2 the one without
    // credentials; each row sets both calls' streams and statuses.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("out1");
        QTest::addColumn<QByteArray>("err1");
        QTest::addColumn<int>("status1");
        QTest::addColumn<QByteArray>("out2");
        QTest::addColumn<int>("status2");
        QTest::addColumn<QStringList>("shares");
        QTest::addColumn<int>("calls");

        const QByteArray good =
            kTableHeader + "Fallback                                        Disk\n";
        QTest::newRow("disk, pipe and printer rows")
            << kTableHeader +
                   "Public                                          Disk\n"
                   "IPC$                                            Pipe    IPC Service\n"
                   "ADMIN$                                          Disk    Remote Admin\n"
                   "Laser                                           Printer\n"
            << QByteArray() << 0 << good << 0 << QStringList{QStringLiteral("Public")} << 1;
        QTest::newRow("two-word name, one space separation not recognised")
            << kTableHeader + "Team Docs    Disk\nSolo Disk\nlower  disk\n"
            << QByteArray() << 0 << good << 0
            << QStringList{QStringLiteral("Team Docs"), QStringLiteral("lower")} << 1;
        QTest::newRow("sorted by code point")
            << kTableHeader + "Zeta  Disk\nalpha  Disk\nBeta  Disk\n\xc3\x84rger  Disk\n"
            << QByteArray() << 0 << good << 0
            << QStringList{QStringLiteral("Beta"), QStringLiteral("Zeta"), QStringLiteral("alpha"),
                           QStringLiteral("\u00c4rger")}
            << 1;
        QTest::newRow("blanks trimmed, other line breaks")
            << QByteArray("\tTabbed \t  Disk\r\nSecond  Disk\xe2\x80\xa8Third  Disk")
            << QByteArray() << 0 << good << 0
            << QStringList{QStringLiteral("Second"), QStringLiteral("Tabbed"),
                           QStringLiteral("Third")}
            << 1;
        QTest::newRow("Disk on standard error only")
            << QByteArray("Shares follow\n") << QByteArray("Quiet  Disk\n") << 1 << good << 0
            << QStringList{QStringLiteral("Quiet")} << 1;
        QTest::newRow("authentication error with status 0 moves on")
            << QByteArray("smbutil: server rejected the connection: Authentication error\n")
            << QByteArray() << 0 << good << 0 << QStringList{QStringLiteral("Fallback")} << 2;
        QTest::newRow("connection refused moves on")
            << QByteArray("smbutil: Connection refused\n") << QByteArray() << 0 << good << 0
            << QStringList{QStringLiteral("Fallback")} << 2;
        QTest::newRow("failure status moves on")
            << QByteArray("Share  Type\n") << QByteArray() << 64 << good << 0
            << QStringList{QStringLiteral("Fallback")} << 2;
        QTest::newRow("empty output moves on") << QByteArray() << QByteArray() << 0 << good << 0
                                               << QStringList{QStringLiteral("Fallback")} << 2;
        QTest::newRow("output that is not UTF-8 counts as empty")
            << QByteArray("Broken\xff\xfe  Disk\n") << QByteArray() << 0 << good << 0
            << QStringList{QStringLiteral("Fallback")} << 2;
        QTest::newRow("a table without disk shares ends the listing")
            << kTableHeader + "IPC$  Pipe\n"
            << QByteArray() << 0 << good << 0 << QStringList() << 1;
        QTest::newRow("nothing lists")
            << QByteArray() << QByteArray("smbutil: timed out\n") << 68
            << QByteArray("authentication error") << 0 << QStringList() << 2;
    }
    void parse()
    {
        QFETCH(QByteArray, out1);
        QFETCH(QByteArray, err1);
        QFETCH(int, status1);
        QFETCH(QByteArray, out2);
        QFETCH(int, status2);
        QFETCH(QStringList, shares);
        QFETCH(int, calls);

        FakeToolRig rig;
        rig.setStdout(kSmbutil, out1, 1);
        rig.setStderr(kSmbutil, err1, 1);
        rig.setStatus(kSmbutil, status1, 1);
        rig.setStdout(kSmbutil, out2, 2);
        rig.setStatus(kSmbutil, status2, 2);
        const auto lister = ProfileFactory::createShareLister(rig.root());

        QCOMPARE(lister->listShares(QStringLiteral("nas.local")), shares);
        QCOMPARE(rig.callCount(kSmbutil), calls);
        QCOMPARE(rig.args(kSmbutil, 1),
                 (QStringList{QStringLiteral("view"), QStringLiteral("-N"), QStringLiteral("-G"),
                              QStringLiteral("//nas.local")}));
        if (calls > 1)
            QCOMPARE(rig.args(kSmbutil, 2),
                     (QStringList{QStringLiteral("view"), QStringLiteral("-N"),
                                  QStringLiteral("//nas.local")}));
    }

    // The stored login is looked up under the host, its short name and short name +
    // ".local"; the first hit makes the login attempt, which names the user but never
    // carries the password.
    void loginAttempt_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("storedUnder");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QStringList>("lookups");
        QTest::addColumn<QString>("firstTarget");

        const QString nasLocal = QStringLiteral("nas.local");
        const QString nas = QStringLiteral("nas");
        QTest::newRow("no login stored") << nasLocal << QString() << QString()
                                         << QStringList{nasLocal, nas, nasLocal} << QString();
        QTest::newRow("stored under the host")
            << nasLocal << nasLocal << QStringLiteral("anna") << QStringList{nasLocal}
            << QStringLiteral("//anna@nas.local");
        QTest::newRow("stored under the short name")
            << QStringLiteral("nas.example.com") << nas << QStringLiteral("anna")
            << QStringList{QStringLiteral("nas.example.com"), nas}
            << QStringLiteral("//anna@nas.example.com");
        QTest::newRow("stored under short name + .local")
            << QStringLiteral("nas.lan") << nasLocal << QStringLiteral("anna")
            << QStringList{QStringLiteral("nas.lan"), nas, nasLocal}
            << QStringLiteral("//anna@nas.lan");
        QTest::newRow("user percent-encoded, sub-delimiters kept")
            << QStringLiteral("10.0.0.7") << QStringLiteral("10.0.0.7")
            << QStringLiteral("J\u00fcrgen M:x@y/z o'b+c;d")
            << QStringList{QStringLiteral("10.0.0.7")}
            << QStringLiteral("//J%C3%BCrgen%20M%3Ax%40y%2Fz%20o'b+c;d@10.0.0.7");
    }
    void loginAttempt()
    {
        QFETCH(QString, host);
        QFETCH(QString, storedUnder);
        QFETCH(QString, user);
        QFETCH(QStringList, lookups);
        QFETCH(QString, firstTarget);

        FakeToolRig rig;
        const QString password = QStringLiteral("pa55-w0rd-of-anna");
        if (!storedUnder.isEmpty())
            rig.setHook(kSecurity, keychainHook(storedUnder, user, password));
        // The login attempt is refused the way smbutil refuses it: status 0.
        rig.setStdout(kSmbutil, "smbutil: server rejected the connection: Authentication error\n",
                      1);
        rig.setStdout(kSmbutil, kTableHeader + "Public  Disk\n");
        const auto lister = ProfileFactory::createShareLister(rig.root());

        QCOMPARE(lister->listShares(host), QStringList{QStringLiteral("Public")});

        QCOMPARE(rig.callCount(kSecurity), int(lookups.size()));
        for (int call = 1; call <= lookups.size(); ++call)
            QCOMPARE(rig.args(kSecurity, call).value(2), lookups.at(call - 1));
        const QStringList guest{QStringLiteral("view"), QStringLiteral("-N"), QStringLiteral("-G"),
                                QStringLiteral("//") + host};
        if (firstTarget.isEmpty()) {
            QCOMPARE(rig.args(kSmbutil, 1), guest);
        } else {
            QCOMPARE(rig.args(kSmbutil, 1),
                     (QStringList{QStringLiteral("view"), QStringLiteral("-N"), firstTarget}));
            QCOMPARE(rig.args(kSmbutil, 2), guest);
        }
        for (const QString& arg : rig.allArgs())
            QVERIFY2(!arg.contains(password), qPrintable(arg));
    }

    void missingToolGivesEmptyList()
    {
        FakeToolRig rig;
        QVERIFY(QFile::remove(rig.root() + QStringLiteral("/usr/bin/smbutil")));
        const auto lister = ProfileFactory::createShareLister(rig.root());
        QCOMPARE(lister->listShares(QStringLiteral("nas.local")), QStringList());
    }

    // A chatty tool must not stall on a full pipe before it exits.
    void largeOutput()
    {
        FakeToolRig rig;
        QByteArray table = kTableHeader;
        for (int i = 0; i < 5000; ++i)
            table += "Share" + QByteArray::number(100000 + i) + "                        Disk\n";
        rig.setStdout(kSmbutil, table);
        rig.setStderr(kSmbutil, table);
        const auto lister = ProfileFactory::createShareLister(rig.root());
        const QStringList shares = lister->listShares(QStringLiteral("nas.local"));
        // Standard output and standard error are parsed together: every name twice.
        QCOMPARE(shares.size(), 10000);
        QCOMPARE(shares.first(), QStringLiteral("Share100000"));
        QCOMPARE(shares.last(), QStringLiteral("Share104999"));
    }
};

QTEST_GUILESS_MAIN(TestSmbutilShareLister)
#include "tst_smbutil_share_lister.moc"
