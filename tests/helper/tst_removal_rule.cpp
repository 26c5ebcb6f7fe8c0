#include "directory_remover.h"
#include "helper_log.h"
#include "helper_options.h"

#include <QDirIterator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace tarnwick::helper;

// The remover over a real temporary tree: "@" stands for its volumes root, "^" for the
// directory that holds the root.
class TestRemovalRule : public QObject {
    Q_OBJECT

    QTemporaryDir m_base;
    inline static QList<QByteArray> s_log;
    // Every directory under the base (itself included), links not followed.
    QSet<QString> directories() const
    {
        QSet<QString> dirs{m_base.path()};
        QDirIterator it(m_base.path(),
                        QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            dirs.insert(it.next());
        return dirs;
    }
    QString expand(QString text) const
    {
        return text.replace(u'@', m_base.filePath(u"Volumes"_s)).replace(u'^', m_base.path());
    }

private Q_SLOTS:
    void initTestCase()
    {
        HelperLog::setSink([](const QByteArray& line) { s_log.append(line); });
    }
    void removeDirectory_data()
    {
        QTest::addColumn<QString>("setup"); // "dir P", "file P", "link P" (to ^/target) or ""
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("outcome"); // as logged; "invalid" for a refused path
        const auto row = [](const QString& setup, const QString& path, const QString& outcome,
                            QString tag = {}) {
            if (tag.isEmpty())
                tag = QString(path).replace(QChar(u'\0'), u"\\0"_s) + u' ' + setup;
            QTest::newRow(qPrintable(tag)) << setup << path << outcome;
        };
        row(u"dir @/Share-1"_s, u"@/Share-1"_s, u"success"_s);
        row(u"file @/Share-1/x"_s, u"@/Share-1"_s, u"failed (39)"_s); // not empty
        row(u""_s, u"@/Share-1"_s, u"failed (2)"_s);
        row(u"link @/link"_s, u"@/link"_s, u"failed (20)"_s); // not followed
        row(u""_s, u"@/a\nb"_s, u"failed (2)"_s);             // logged as one line
        row(u""_s, u"Volumes/a"_s, u"invalid"_s);
        // Too long for any valid path: refused before the rule, its text never logged.
        const qsizetype pad = 4096 - expand(u"@/"_s).toUtf8().size(); // up to 4,096 bytes
        row({}, u"@/"_s + QString(pad, u'x'), u"failed (36)"_s, u"4096 bytes"_s);
        row({}, u"@/"_s + QString(pad + 1, u'x'), u"long"_s, u"4097 bytes"_s);
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
        s_log.clear();
        const QString target = expand(setup.section(u' ', 1)), linked = expand(u"^/target"_s);
        QVERIFY(QDir().mkpath(expand(u"@"_s)) && QDir().mkpath(linked));
        const QString kind = setup.section(u' ', 0, 0);
        QVERIFY(setup.isEmpty() ||
                QDir().mkpath(kind == u"dir" ? target : QFileInfo(target).path()));
        QVERIFY(kind != u"file" || QFile(target).open(QIODevice::WriteOnly));
        QVERIFY(kind != u"link" || QFile::link(linked, target));
        const QSet<QString> before = directories();

        const bool removed =
            DirectoryRemover(RemovalRule(expand(u"@"_s))).removeDirectory(expand(path));
        const QString shown =
            expand(path).replace(u'\n', u"\\x0a"_s).replace(QChar(u'\0'), u"\\x00"_s);
        const QString line = u"[com.lorvens.TarnwickHelper/Default] removeDirectory"_s;
        const QString text =
            outcome == u"invalid" ? u"<3>"_s + line + u": invalid path "_s + shown
            : outcome == u"long"
                ? u"<3>%1: invalid path of %2 bytes"_s.arg(line).arg(expand(path).toUtf8().size())
                : u"<6>"_s + line + u' ' + shown + u": "_s + outcome;
        QCOMPARE(s_log, QList<QByteArray>{(text + u'\n').toUtf8()});
        QCOMPARE(removed, outcome == u"success");
        QCOMPARE(before - directories(), removed ? QSet<QString>{expand(path)} : QSet<QString>{});
        QVERIFY(QDir(m_base.path()).removeRecursively());
    }

    // The volumes root and the idle time come only from the command line: the root only as
    // an absolute, clean path, the time only as a positive number of milliseconds.
    void options_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("parsed"); // "ROOT MS"; empty: refused
        QTest::newRow("none") << QString() << u"/Volumes 60000"_s;
        QTest::newRow("both") << u"--idle-exit 250 --volumes-root /srv/vol"_s << u"/srv/vol 250"_s;
        for (const char* bad :
             {"--volumes-root vol", "--volumes-root /", "--volumes-root /srv/vol/",
              "--volumes-root /srv/../etc", "--volumes-root /srv//vol", "--volumes-root",
              "--root /x", "--volumes-root /x y", "--idle-exit 0", "--idle-exit -5",
              "--idle-exit 1s"})
            QTest::newRow(bad) << QString::fromLatin1(bad) << QString();
    }
    void options()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, parsed);
        QString error;
        const auto options = HelperOptions::parse(
            QStringList{u"tarnwick-helper"_s} + arguments.split(u' ', Qt::SkipEmptyParts), &error);
        QCOMPARE(options ? u"%1 %2"_s.arg(options->volumesRoot).arg(options->idleExit.count())
                         : QString(),
                 parsed);
        QCOMPARE(error.isEmpty(), !parsed.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestRemovalRule)
#include "tst_removal_rule.moc"
