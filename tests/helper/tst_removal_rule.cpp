#include "directory_remover.h"
#include "helper_log.h"
#include "helper_options.h"

#include <QDirIterator>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace tarnwick::helper;

namespace {

QList<QByteArray> g_log;
void collect(const QByteArray& line)
{
    g_log.append(line);
}

// Every directory under base (base included), links not followed.
QSet<QString> directoriesUnder(const QString& base)
{
    QSet<QString> dirs{base};
    QDirIterator it(base, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        dirs.insert(it.next());
    return dirs;
}

} // namespace

// The remover over a real temporary tree: "@" stands for its volumes root, "^" for the
// directory that holds the root.
class TestRemovalRule : public QObject {
    Q_OBJECT

    QTemporaryDir m_base;
    QString expand(QString text) const
    {
        return text.replace(u'@', m_base.filePath(u"Volumes"_s)).replace(u'^', m_base.path());
    }

private Q_SLOTS:
    void init()
    {
        g_log.clear();
        HelperLog::setSink(&collect);
    }
    void cleanup() { HelperLog::setSink(nullptr); }

    void removeDirectory_data()
    {
        QTest::addColumn<QString>("setup"); // "dir P", "file P", "link P" (to ^/target) or ""
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("outcome"); // as logged; "invalid" for a refused path
        const auto row = [](const QString& setup, const QString& path, const QString& outcome) {
            const QString tag = QString(path).replace(QChar(u'\0'), u"\\0"_s) + u' ' + setup;
            QTest::newRow(qPrintable(tag)) << setup << path << outcome;
        };
        row(u"dir @/Share-1"_s, u"@/Share-1"_s, u"success"_s);
        row(u"dir @/My Share"_s, u"@/My Share"_s, u"success"_s);
        row(u"file @/Share-1/x"_s, u"@/Share-1"_s, u"failed (39)"_s); // not empty
        row(u""_s, u"@/Share-1"_s, u"failed (2)"_s);
        row(u"link @/link"_s, u"@/link"_s, u"failed (20)"_s); // not followed
        row(u"file @/f"_s, u"@/f"_s, u"failed (20)"_s);
        row(u""_s, u"@/a\nb"_s, u"failed (2)"_s); // logged as one line
        row(u""_s, u"Volumes/a"_s, u"invalid"_s);
        // Whatever a refused path could name exists, and must survive.
        for (const QString& path :
             {u"@/Share-1/"_s, u"@/a/b"_s, u"@//a"_s, u"@/../private"_s, u"@/a..b"_s, u"^/a"_s,
              u"@/"_s, u"@"_s, u"@X/a"_s, u"^/volumes/a"_s, u"@/\0a"_s, u"@/a\0"_s})
            row(u"dir "_s + QString(path).remove(QChar(u'\0')), path, u"invalid"_s);
    }
    void removeDirectory()
    {
        QFETCH(QString, setup);
        QFETCH(QString, path);
        QFETCH(QString, outcome);
        const QString target = expand(setup.section(u' ', 1));
        QVERIFY(QDir().mkpath(expand(u"@"_s)));
        if (setup.startsWith(u"dir")) {
            QVERIFY(QDir().mkpath(target));
        } else if (setup.startsWith(u"file")) {
            QVERIFY(QDir().mkpath(QFileInfo(target).path()));
            QVERIFY(QFile(target).open(QIODevice::WriteOnly));
        } else if (setup.startsWith(u"link")) {
            QVERIFY(QDir().mkpath(expand(u"^/target"_s)));
            QVERIFY(QFile::link(expand(u"^/target"_s), target));
        }
        const QSet<QString> before = directoriesUnder(m_base.path());

        const bool removed =
            DirectoryRemover(RemovalRule(expand(u"@"_s))).removeDirectory(expand(path));
        const QString shown =
            expand(path).replace(u'\n', u"\\x0a"_s).replace(QChar(u'\0'), u"\\x00"_s);
        const QString line = outcome == u"invalid"
                                 ? u"<3>[com.lorvens.TarnwickHelper/Default] removeDirectory: "
                                   "invalid path "_s +
                                       shown
                                 : u"<6>[com.lorvens.TarnwickHelper/Default] removeDirectory "_s +
                                       shown + u": "_s + outcome;
        QCOMPARE(g_log, QList<QByteArray>{(line + u'\n').toUtf8()});
        QCOMPARE(removed, outcome == u"success");
        QCOMPARE(before - directoriesUnder(m_base.path()),
                 removed ? QSet<QString>{expand(path)} : QSet<QString>{});
        if (!setup.startsWith(u"dir"))
            QVERIFY(setup.isEmpty() || QFileInfo(target).isSymLink() || QFileInfo(target).isFile());
        QVERIFY(QDir(m_base.path()).removeRecursively());
    }

    // The volumes root comes only from the command line, and only as an absolute, clean path.
    void options_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("root"); // empty: refused

        QTest::newRow("none") << QStringList{} << u"/Volumes"_s;
        QTest::newRow("absolute") << QStringList{u"--volumes-root"_s, u"/srv/vol"_s}
                                  << u"/srv/vol"_s;
        for (const QString& bad :
             {u"vol"_s, u"/"_s, u"/srv/vol/"_s, u"/srv/../etc"_s, u"/srv//vol"_s})
            QTest::newRow(qPrintable(bad)) << QStringList{u"--volumes-root"_s, bad} << QString();
        QTest::newRow("missing value") << QStringList{u"--volumes-root"_s} << QString();
        QTest::newRow("unknown") << QStringList{u"--root"_s, u"/x"_s} << QString();
        QTest::newRow("extra") << QStringList{u"--volumes-root"_s, u"/x"_s, u"y"_s} << QString();
    }
    void options()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, root);
        QString error;
        const auto options =
            HelperOptions::parse(QStringList{u"tarnwick-helper"_s} + arguments, &error);
        QCOMPARE(options ? options->volumesRoot : QString(), root);
        QCOMPARE(error.isEmpty(), !root.isEmpty());
    }

    // Random paths built from the names of a real tree: whatever the remover removes must be
    // a directory directly inside the volumes root whose name holds no ".."; the root,
    // everything deeper and everything outside survive. Every other round uses a second,
    // empty root, which nothing may remove. Each request logs exactly one line.
    void randomPathsNeverReachOutsideOrDeeper()
    {
        const QString root = expand(u"@"_s), bare = expand(u"^/Bare"_s);
        const QStringList removable{u"a"_s, u"b"_s, u".hidden"_s, u"x y"_s};
        for (const QString& dir : removable + QStringList{u"a..b"_s, u"nested/inner"_s})
            QVERIFY(QDir().mkpath(root + u'/' + dir));
        for (const QString& dir : {u"outside/victim"_s, u"Volumes2/a"_s, u"a"_s, u"Bare"_s})
            QVERIFY(QDir().mkpath(expand(u"^/"_s + dir)));
        QVERIFY(QFile::link(expand(u"^/outside/victim"_s), root + u"/link"_s));
        QVERIFY(QFile(root + u"/file"_s).open(QIODevice::WriteOnly));

        QStringList tokens =
            u"/ // .. . a b a..b nested inner link victim outside Volumes Volumes2 .hidden file"_s
                .split(u' ');
        tokens << root << bare << m_base.path() << u"x y"_s << u"\n"_s << QString(QChar(u'\0'));
        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        const DirectoryRemover remover{RemovalRule(root)}, bareRemover{RemovalRule(bare)};
        const QSet<QString> all = directoriesUnder(m_base.path());
        int removals = 0;
        for (int round = 0; round < 3000; ++round) {
            const bool onBare = round % 2;
            QString path = random.bounded(3) ? (onBare ? bare : root) + u'/' : QString();
            for (int n = 1 + random.bounded(5); n > 0; --n)
                path += tokens.at(random.bounded(tokens.size()));
            g_log.clear();
            const bool removed = (onBare ? bareRemover : remover).removeDirectory(path);
            const QSet<QString> gone = all - directoriesUnder(m_base.path());

            const QByteArray context = "seed " + QByteArray::number(seed) + ", path " +
                                       path.toUtf8().toPercentEncoding("/");
            QVERIFY2(g_log.size() == 1 && g_log.first().count('\n') == 1, context);
            QVERIFY2(removed == !gone.isEmpty() && gone.size() <= (onBare ? 0 : 1), context);
            for (const QString& victim : gone) {
                QVERIFY2(QFileInfo(victim).path() == root, context);
                QVERIFY2(removable.contains(QFileInfo(victim).fileName()), context);
                QVERIFY(QDir().mkpath(victim)); // back for the next round
                ++removals;
            }
        }
        // The generator must reach the removable names, or the rounds prove nothing.
        QVERIFY2(removals > 0, QByteArray("seed " + QByteArray::number(seed)));
    }
};

QTEST_GUILESS_MAIN(TestRemovalRule)
#include "tst_removal_rule.moc"
