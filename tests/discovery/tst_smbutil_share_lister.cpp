#include "discovery/share_lister.h"
#include "fake_tool_rig.h"
#include "platform/profile_factory.h"

#include <QTest>

using namespace tarnwick;
using namespace Qt::Literals::StringLiterals;
using tarnwick::test::FakeToolRig;

namespace {

const QString kSmbutil = u"smbutil"_s;
const QByteArray kHeader = "Share                                           Type    Comments\n"
                           "-------------------------------\n";

QStringList listArgs(const QString& target, bool guest = false)
{
    return guest ? QStringList{u"view"_s, u"-N"_s, u"-G"_s, target}
                 : QStringList{u"view"_s, u"-N"_s, target};
}

} // namespace

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
        QTest::addColumn<int>("calls");
        QTest::addColumn<QByteArray>("out2");
        const auto row = [](const char* name, const QByteArray& out, const QByteArray& err,
                            int status, const QStringList& shares, int calls,
                            const QByteArray& out2 = kHeader + "Fallback          Disk\n") {
            QTest::newRow(name) << out << err << status << shares << calls << out2;
        };
        const QStringList fallback{u"Fallback"_s};

        row("disk, pipe and printer rows",
            kHeader + "Public                                          Disk\n"
                      "IPC$                                            Pipe    IPC Service\n"
                      "ADMIN$                                          Disk    Remote Admin\n"
                      "Laser                                           Printer\n",
            "", 0, {u"Public"_s}, 1);
        row("two-word name; one space before the type is not enough",
            kHeader + "Team Docs    Disk\nSolo Disk\nlower  disk\n", "", 0,
            {u"Team Docs"_s, u"lower"_s}, 1);
        row("sorted by code point, not UTF-16 unit",
            "Zeta  Disk\nalpha  Disk\nBeta  Disk\n\xc3\x84rger  Disk\n\xf0\x9f\x98\x80  Disk\n"
            "\xef\xbc\xa1  Disk\n",
            "", 0,
            {u"Beta"_s, u"Zeta"_s, u"alpha"_s, u"\u00c4rger"_s, u"\uff21"_s, u"\U0001f600"_s}, 1);
        row("blanks trimmed, other line breaks",
            "\tTabbed \t  Disk\r\nSecond  Disk\xe2\x80\xa8Third  Disk", "", 0,
            {u"Second"_s, u"Tabbed"_s, u"Third"_s}, 1);
        row("Disk on standard error only", "Shares follow\n", "Quiet  Disk\n", 1, {u"Quiet"_s}, 1);
        row("authentication error with status 0 moves on",
            "smbutil: server rejected the connection: Authentication error\n", "", 0, fallback, 2);
        row("connection refused moves on", "smbutil: Connection refused\n", "", 0, fallback, 2);
        row("failure status moves on", "Share  Type\n", "", 64, fallback, 2);
        row("empty output moves on", "", "", 0, fallback, 2);
        row("output that is not UTF-8 counts as empty", "Broken\xff\xfe  Disk\n", "", 0, fallback,
            2);
        row("a table without disk shares ends the listing", kHeader + "IPC$  Pipe\n", "", 0, {}, 1);
        row("nothing lists", "", "smbutil: timed out\n", 68, {}, 2, "authentication error");
        // A chatty tool must not stall on a full pipe before it exits; both streams count.
        QByteArray big;
        QStringList bigShares;
        for (int i = 100000; i < 105000; ++i) {
            big += "Share" + QByteArray::number(i) + "                        Disk\n";
            bigShares << u"Share%1"_s.arg(i) << u"Share%1"_s.arg(i);
        }
        row("large output on both streams", big, big, 0, bigShares, 1);
    }
    void parse()
    {
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        QFETCH(int, status);
        QFETCH(QStringList, shares);
        QFETCH(int, calls);
        QFETCH(QByteArray, out2);
        FakeToolRig rig;
        rig.setStdout(kSmbutil, out, 1);
        rig.setStderr(kSmbutil, err, 1);
        rig.setStatus(kSmbutil, status, 1);
        rig.setStdout(kSmbutil, out2, 2);
        QCOMPARE(ProfileFactory::createShareLister(rig.root())->listShares(u"nas.local"_s), shares);
        QCOMPARE(rig.callCount(kSmbutil), calls);
        QCOMPARE(rig.args(kSmbutil, 1), listArgs(u"//nas.local"_s, true));
        if (calls > 1)
            QCOMPARE(rig.args(kSmbutil, 2), listArgs(u"//nas.local"_s));
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
        QTest::addColumn<QString>("firstTarget"); // empty: the guest attempt comes first

        const QString nasLocal = u"nas.local"_s, nas = u"nas"_s;
        QTest::newRow("no login stored") << nasLocal << QString() << QString()
                                         << QStringList{nasLocal, nas, nasLocal} << QString();
        QTest::newRow("stored under the host")
            << nasLocal << nasLocal << u"anna"_s << QStringList{nasLocal} << u"//anna@nas.local"_s;
        QTest::newRow("stored under the short name")
            << u"nas.example.com"_s << nas << u"anna"_s << QStringList{u"nas.example.com"_s, nas}
            << u"//anna@nas.example.com"_s;
        QTest::newRow("stored under short name + .local")
            << u"nas.lan"_s << nasLocal << u"anna"_s << QStringList{u"nas.lan"_s, nas, nasLocal}
            << u"//anna@nas.lan"_s;
        QTest::newRow("user percent-encoded, sub-delimiters kept")
            << u"10.0.0.7"_s << u"10.0.0.7"_s << u"J\u00fcrgen M:x@y/z o'b+c;d"_s
            << QStringList{u"10.0.0.7"_s} << u"//J%C3%BCrgen%20M%3Ax%40y%2Fz%20o'b+c;d@10.0.0.7"_s;
    }
    void loginAttempt()
    {
        QFETCH(QString, host);
        QFETCH(QString, storedUnder);
        QFETCH(QString, user);
        QFETCH(QStringList, lookups);
        QFETCH(QString, firstTarget);
        FakeToolRig rig;
        const QString password = u"pa55-w0rd-of-anna"_s;
        // A fake security that finds an item for storedUnder only, printing it like
        // `security find-internet-password -g`: attributes on standard output, the password
        // on standard error.
        if (!storedUnder.isEmpty()) {
            rig.setHook(
                u"security"_s,
                u"if [ \"$3\" = '%1' ]; then\n"
                "  printf '%s\\n' 'keychain: \"/k.keychain-db\"'"
                " '    \"acct\"<blob>=\"%2\"'\n"
                "  printf '%s\\n' 'password: \"%3\"' >&2; status=0\n"
                "fi\n"_s.arg(storedUnder, QString(user).replace(u"'"_s, u"'\\''"_s), password));
        }
        // The login attempt is refused the way smbutil refuses it: status 0.
        rig.setStdout(kSmbutil, "smbutil: server rejected the connection: Authentication error\n",
                      1);
        rig.setStdout(kSmbutil, kHeader + "Public  Disk\n");
        QCOMPARE(ProfileFactory::createShareLister(rig.root())->listShares(host),
                 QStringList{u"Public"_s});

        QCOMPARE(rig.callCount(u"security"_s), int(lookups.size()));
        for (int call = 1; call <= lookups.size(); ++call)
            QCOMPARE(rig.args(u"security"_s, call).value(2), lookups.at(call - 1));
        const QStringList guest = listArgs(u"//"_s + host, true);
        QCOMPARE(rig.args(kSmbutil, 1), firstTarget.isEmpty() ? guest : listArgs(firstTarget));
        if (!firstTarget.isEmpty())
            QCOMPARE(rig.args(kSmbutil, 2), guest);
        for (const QString& arg : rig.allArgs())
            QVERIFY2(!arg.contains(password), qPrintable(arg));
    }

    void missingToolGivesEmptyList()
    {
        FakeToolRig rig;
        QVERIFY(QFile::remove(rig.root() + u"/usr/bin/smbutil"_s));
        QCOMPARE(ProfileFactory::createShareLister(rig.root())->listShares(u"nas.local"_s),
                 QStringList());
    }
};

QTEST_GUILESS_MAIN(TestSmbutilShareLister)
#include "tst_smbutil_share_lister.moc"
