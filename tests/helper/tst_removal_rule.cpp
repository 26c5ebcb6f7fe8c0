#include "directory_remover.h"
#include "helper_log.h"
#include "helper_options.h"
#include "removal_rule.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwick::helper;

namespace {

QList<QByteArray> g_logLines;
void collect(const QByteArray& line)
{
    g_logLines.append(line);
}

// Every directory under base, links not followed, base included.
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

class TestRemovalRule : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void cleanup() { HelperLog::setSink(nullptr); }

    void acceptsUnderVolumes_data();
    void acceptsUnderVolumes();
    void options_data();
    void options();
    void randomPathsNeverReachOutsideOrDeeper();
};

void TestRemovalRule::acceptsUnderVolumes_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("one name") << QStringLiteral("/Volumes/Share-1") << true;
    QTest::newRow("name with space") << QStringLiteral("/Volumes/My Share") << true;
    QTest::newRow("trailing slash") << QStringLiteral("/Volumes/Share-1/") << false;
    QTest::newRow("deeper") << QStringLiteral("/Volumes/a/b") << false;
    QTest::newRow("doubled slash") << QStringLiteral("/Volumes//a") << false;
    QTest::newRow("parent") << QStringLiteral("/Volumes/../private") << false;
    QTest::newRow("dots inside a name") << QStringLiteral("/Volumes/a..b") << false;
    QTest::newRow("elsewhere") << QStringLiteral("/tmp/a") << false;
    QTest::newRow("empty name") << QStringLiteral("/Volumes/") << false;
    QTest::newRow("the root itself") << QStringLiteral("/Volumes") << false;
    QTest::newRow("shared prefix") << QStringLiteral("/VolumesX/a") << false;
    QTest::newRow("relative") << QStringLiteral("Volumes/a") << false;
    QTest::newRow("lower case") << QStringLiteral("/volumes/a") << false;
    QTest::newRow("NUL first") << QStringLiteral("/Volumes/") + QChar(u'\0') + QStringLiteral("x")
                               << false;
    QTest::newRow("NUL later") << QStringLiteral("/Volumes/a") + QChar(u'\0') << false;
}

void TestRemovalRule::acceptsUnderVolumes()
{
    QFETCH(QString, path);
    QFETCH(bool, accepted);
    QCOMPARE(RemovalRule().accepts(path), accepted);
}

void TestRemovalRule::options_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("root"); // empty: refused

    const QString opt = QStringLiteral("--volumes-root");
    QTest::newRow("none") << QStringList{} << QStringLiteral("/Volumes");
    QTest::newRow("absolute") << QStringList{opt, QStringLiteral("/srv/vol")}
                              << QStringLiteral("/srv/vol");
    QTest::newRow("relative") << QStringList{opt, QStringLiteral("vol")} << QString();
    QTest::newRow("slash") << QStringList{opt, QStringLiteral("/")} << QString();
    QTest::newRow("trailing slash") << QStringList{opt, QStringLiteral("/srv/vol/")} << QString();
    QTest::newRow("dot-dot") << QStringList{opt, QStringLiteral("/srv/../etc")} << QString();
    QTest::newRow("doubled slash") << QStringList{opt, QStringLiteral("/srv//vol")} << QString();
    QTest::newRow("missing value") << QStringList{opt} << QString();
    QTest::newRow("unknown") << QStringList{QStringLiteral("--root"), QStringLiteral("/x")}
                             << QString();
    QTest::newRow("extra") << QStringList{opt, QStringLiteral("/x"), QStringLiteral("y")}
                           << QString();
}

void TestRemovalRule::options()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, root);
    QString error;
    const auto options =
        HelperOptions::parse(QStringList{QStringLiteral("tarnwick-helper")} + arguments, &error);
    QCOMPARE(options.has_value(), !root.isEmpty());
    if (options)
        QCOMPARE(options->volumesRoot, root);
    else
        QVERIFY(!error.isEmpty());
}

// Throws random paths built from the names of a real tree at the remover: whatever it
// removes must be a directory directly inside the volumes root, whose name holds no "..";
// the root, everything deeper and everything outside must survive. Every other round uses a
// second, empty root, which nothing may remove. Each request logs one line.
void TestRemovalRule::randomPathsNeverReachOutsideOrDeeper()
{
    QTemporaryDir base;
    QVERIFY(base.isValid());
    const QString root = base.filePath(QStringLiteral("Volumes"));
    const QStringList emptyChildren{QStringLiteral("a"), QStringLiteral("b"),
                                    QStringLiteral("a..b"), QStringLiteral(".hidden"),
                                    QStringLiteral("x y")};
    QDir dir(base.path());
    for (const QString& child : emptyChildren)
        QVERIFY(dir.mkpath(QStringLiteral("Volumes/") + child));
    for (const char* path : {"Volumes/nested/inner", "outside/victim", "Volumes2/a", "a", "Bare"})
        QVERIFY(dir.mkpath(QString::fromLatin1(path)));
    QVERIFY(QFile::link(base.filePath(QStringLiteral("outside/victim")),
                        root + QStringLiteral("/link")));
    QFile file(root + QStringLiteral("/file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    const QString bare = base.filePath(QStringLiteral("Bare"));
    const QStringList tokens{root,
                             bare,
                             base.path(),
                             QStringLiteral("/"),
                             QStringLiteral("//"),
                             QStringLiteral(".."),
                             QStringLiteral("."),
                             QStringLiteral("a"),
                             QStringLiteral("b"),
                             QStringLiteral("a..b"),
                             QStringLiteral("nested"),
                             QStringLiteral("inner"),
                             QStringLiteral("link"),
                             QStringLiteral("victim"),
                             QStringLiteral("outside"),
                             QStringLiteral("Volumes"),
                             QStringLiteral("Volumes2"),
                             QStringLiteral("x y"),
                             QStringLiteral(".hidden"),
                             QString(QChar(u'\0')),
                             QStringLiteral("\n"),
                             QStringLiteral("file")};
    const quint32 seed = QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    const DirectoryRemover remover{RemovalRule(root)};
    const DirectoryRemover bareRemover{RemovalRule(bare)};
    HelperLog::setSink(&collect);
    int removals = 0;

    const QSet<QString> all = directoriesUnder(base.path());
    for (int round = 0; round < 3000; ++round) {
        const bool onBare = round % 2;
        QString path = random.bounded(3) ? (onBare ? bare : root) + u'/' : QString();
        for (int n = 1 + random.bounded(5); n > 0; --n)
            path += tokens.at(random.bounded(tokens.size()));
        g_logLines.clear();
        const bool removed = (onBare ? bareRemover : remover).removeDirectory(path);
        const QSet<QString> gone = all - directoriesUnder(base.path());

        const QByteArray context = "seed " + QByteArray::number(seed) + ", path " +
                                   QStringView(path).toUtf8().toPercentEncoding("/");
        QVERIFY2(g_logLines.size() == 1 && g_logLines.first().count('\n') == 1,
                 context.constData());
        QVERIFY2(removed == !gone.isEmpty(), context.constData());
        QVERIFY2(gone.size() <= (onBare ? 0 : 1), context.constData());
        for (const QString& victim : gone) {
            const QFileInfo info(victim);
            QVERIFY2(info.path() == root, context.constData());
            QVERIFY2(emptyChildren.contains(info.fileName()), context.constData());
            QVERIFY2(!info.fileName().contains(QStringLiteral("..")), context.constData());
            QVERIFY(dir.mkpath(victim)); // put it back for the next round
            ++removals;
        }
    }
    // The generator must actually reach the removable names, or the rounds prove nothing.
    QVERIFY2(removals > 0, QByteArray("seed " + QByteArray::number(seed)).constData());
}

QTEST_GUILESS_MAIN(TestRemovalRule)
#include "tst_removal_rule.moc"
