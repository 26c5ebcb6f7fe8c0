#include "discovery/share_lister.h"
#include "fake_tool_rig.h"
#include "platform/profile_factory.h"

#include <QTest>

using namespace tarnwick;
using namespace Qt::Literals::StringLiterals;
using tarnwick::test::FakeToolRig;

const QString kSmbutil = u"smbutil"_s;
const QByteArray kHeader = "Share                                           Type    Comments\n"
                           "-------------------------------\n";

// The listing rules through a fake smbutil and security (tests/fake-tools).
class TestSmbutilShareLister : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Without a stored login, call 1 is the guest attempt and call 2 the one without
    // credentials, which lists "Fallback" unless the row says otherwise.
    void parse_data()
    {
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::addColumn<int>("status");
        QTest::addColumn<QStringList>("shares");
        QTest::addColumn<QByteArray>("out2"); // null: call 1 must end the listing
        const auto row = [](const char* name, const QByteArray& out, const QStringList& shares,
                            const QByteArray& err = {}, int status = 0, QByteArray out2 = {}) {
            QTest::newRow(name) << out << err << status << shares << out2;
        };
        const auto next = [&row](const char* name, const QByteArray& out, int status = 0) {
            row(name, out, {u"Fallback"_s}, {}, status, "Fallback          Disk\n");
        };
        // Names whole and trimmed, any line break, a single space or another type too little,
        // "$" names left out; sorted by code point, not by UTF-16 unit.
        row("the table's rules",
            kHeader + "Team Docs    Disk\nSolo Disk\nlower  disk\n\tTabbed \t  Disk\r\nZeta  Disk"
                      "\xe2\x80\xa8\xc3\x84rger  Disk\n\xf0\x9f\x98\x80  Disk\n\xef\xbc\xa1  Disk\n"
                      "IPC$   Pipe    IPC Service\nADMIN$  Disk    Remote Admin\nLaser  Printer\n",
            {u"Tabbed"_s, u"Team Docs"_s, u"Zeta"_s, u"lower"_s, u"\u00c4rger"_s, u"\uff21"_s,
             u"\U0001f600"_s});
        row("Disk on standard error only", "Shares follow\n", {u"Quiet"_s}, "Quiet  Disk\n", 1);
        next("authentication error with status 0 moves on",
             "smbutil: server rejected the connection: Authentication error\n");
        next("connection refused moves on", "smbutil: Connection refused\n");
        next("failure status moves on", "Share  Type\n", 64);
        next("empty output moves on", "");
        next("output that is not UTF-8 counts as empty", "Broken\xff\xfe  Disk\n");
        row("a table without disk shares ends the listing", kHeader + "IPC$  Pipe\n", {});
        row("nothing lists", "", {}, "smbutil: timed out\n", 68, "authentication error");
    }
    void parse()
    {
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QFETCH(int, status);
        QFETCH(QStringList, shares);
        QFETCH(QByteArray, out2);
        FakeToolRig rig;
        rig.setStdout(kSmbutil, out, 1);
        rig.setStderr(kSmbutil, err, 1);
        rig.setStatus(kSmbutil, status, 1);
        rig.setStdout(kSmbutil, out2, 2);
        QCOMPARE(ProfileFactory::createShareLister(rig.root())->listShares(u"nas.local"_s), shares);
        QCOMPARE(rig.allArgs(kSmbutil).join(u' '),
                 u"view -N -G //nas.local"_s + (out2.isNull() ? u""_s : u" view -N //nas.local"_s));
    }

    // The stored login is looked up under the host and, for a bare name or that name +
    // ".local" only, under both spellings; the first hit makes the login attempt, which
    // names the user but never carries the password.
    void loginAttempt_data()
    {
        QTest::addColumn<QString>("host");
        QTest::addColumn<QString>("storedUnder");
        QTest::addColumn<QStringList>("lookups");
        QTest::addColumn<QString>("firstTarget"); // empty: the guest attempt comes first
        const QString nasLocal = u"nas.local"_s, nas = u"nas"_s;
        QTest::newRow("no login stored")
            << nasLocal << QString() << QStringList{nasLocal, nas, nasLocal} << QString();
        QTest::newRow("stored under the bare name")
            << nasLocal << nas << QStringList{nasLocal, nas} << u"//anna@nas.local"_s;
        QTest::newRow("stored under name + .local")
            << nas << nasLocal << QStringList{nas, nas, nasLocal} << u"//anna@nas"_s;
        QTest::newRow("another host with the same first label gets nothing")
            << u"nas.evil.local"_s << nas << QStringList{u"nas.evil.local"_s} << QString();
        QTest::newRow("user percent-encoded, sub-delimiters kept")
            << u"10.0.0.7"_s << u"10.0.0.7"_s << QStringList{u"10.0.0.7"_s}
            << u"//J%C3%BCrgen%20M%3Ax%40y%2Fz%20o'b+c;d@10.0.0.7"_s;
    }
    void loginAttempt()
    {
        QFETCH(QString, host);
        QFETCH(QString, storedUnder);
        QFETCH(QStringList, lookups);
        QFETCH(QString, firstTarget);
        FakeToolRig rig;
        const QString password = u"pa55-w0rd-of-anna"_s;
        const QString user = host == u"10.0.0.7" ? u"J\u00fcrgen M:x@y/z o'b+c;d"_s : u"anna"_s;
        // Finds an item for storedUnder only, printed like `security find-internet-password -g`.
        rig.setHook(u"security"_s,
                    u"if [ \"$3\" = '%1' ]; then\n"
                    "  printf '%s\\n' 'keychain: \"/k.keychain-db\"' '    \"acct\"<blob>=\"%2\"'\n"
                    "  printf '%s\\n' 'password: \"%3\"' >&2; status=0\n"
                    "fi\n"_s.arg(storedUnder, QString(user).replace(u"'"_s, u"'\\''"_s), password));
        // The login attempt is refused the way smbutil refuses it: status 0.
        rig.setStdout(kSmbutil, "smbutil: server rejected the connection: Authentication error\n",
                      1);
        rig.setStdout(kSmbutil, kHeader + "Public  Disk\n");
        QCOMPARE(ProfileFactory::createShareLister(rig.root())->listShares(host),
                 QStringList{u"Public"_s});
        QCOMPARE(rig.callCount(u"security"_s), int(lookups.size()));
        for (int call = 1; call <= lookups.size(); ++call)
            QCOMPARE(rig.args(u"security"_s, call).value(2), lookups.at(call - 1));
        const QString guest = u"view -N -G //"_s + host;
        QCOMPARE(rig.allArgs(kSmbutil).join(u' '),
                 firstTarget.isEmpty() ? guest + u" view -N //"_s + host
                                       : u"view -N "_s + firstTarget + u' ' + guest);
        for (const QString& arg : rig.allArgs())
            QVERIFY2(!arg.contains(password), qPrintable(arg));
    }
};

QTEST_GUILESS_MAIN(TestSmbutilShareLister)
#include "tst_smbutil_share_lister.moc"
