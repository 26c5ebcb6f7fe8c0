#include "model/app_settings.h"
#include "model/server_list_codec.h"
#include "model/share_store.h"
#include "test_text.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwick;
using test::s;

class TestShareStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;

    QByteArray stored() const { return m_settings->value(AppSettings::serversKey).toByteArray(); }
    QList<Server> storedServers() const { return ServerListCodec::decode(stored()).value(); }
    static Server named(const char* name) { return Server::create(s(name), s(name) + s(".local")); }

private Q_SLOTS:
    void init()
    {
        m_settings = AppSettings::open(m_dir.filePath(s(QTest::currentTestFunction())));
        m_settings->clear();
    }

    void loadsFromTheFileAndRewritesInSavedForm()
    {
        QVERIFY(ShareStore(*m_settings).servers().isEmpty());
        QVERIFY(!m_settings->contains(AppSettings::serversKey)); // a first start stores nothing
        const Server server = named("nas");
        const QByteArray id = server.id.toString(QUuid::WithoutBraces).toUpper().toUtf8();
        QByteArray json = ServerListCodec::encode({server});
        json.replace("\"isEnabled\"", "\"legacy\":42,\"isEnabled\"").replace(id, id.toLower());
        m_settings->setValue(AppSettings::serversKey, json);
        m_settings->sync();

        auto reopened = AppSettings::open(m_settings->fileName());
        QCOMPARE(ShareStore(*reopened).servers(), QList<Server>{server});
        QCOMPARE(reopened->value(AppSettings::serversKey).toByteArray(),
                 ServerListCodec::encode({server}));
    }

    void unreadableValueLeavesListEmpty_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("not json") << QVariant(QByteArray("{garbage"));
        QTest::newRow("empty bytes") << QVariant(QByteArray());
        QTest::newRow("missing member") << QVariant(QByteArray(R"([{"id":"x"}])"));
        QTest::newRow("a string, not bytes") << QVariant(s("[]"));
        QTest::newRow("a number") << QVariant(7);
    }
    void unreadableValueLeavesListEmpty()
    {
        QFETCH(QVariant, value);
        m_settings->setValue(AppSettings::serversKey, value);
        ShareStore store(*m_settings);
        QVERIFY(store.servers().isEmpty());
        QCOMPARE(m_settings->value(AppSettings::serversKey), value); // untouched until a change
        store.addServer(named("x"));
        QCOMPARE(storedServers().size(), 1);
    }

    void everyOperationSavesAndNotifies()
    {
        ShareStore store(*m_settings);
        QSignalSpy spy(&store, &ShareStore::serversChanged);
        const Server first = named("first");
        Server twin = first; // the same id: operations act on the first match
        twin.displayName = s("twin");
        const Share share = Share::create(s("Media")), keep = Share::create(s("keep"));
        QList<Server> expected{first, twin, named("other")};
        // The stored value goes before each step, so each step must save on its own.
        const auto step = [&](const std::function<void()>& change) {
            m_settings->remove(AppSettings::serversKey);
            change();
            QCOMPARE(storedServers(), expected);
            QCOMPARE(store.servers(), expected);
        };
        step([&] { store.setServers(expected); });
        step([&] { store.setServers(expected); }); // unchanged still counts
        expected[0].host = s("changed");
        step([&] { store.updateServer(expected[0]); });
        expected[0].shares = {share, keep, share};
        step([&] {
            for (const Share& added : expected[0].shares)
                store.addShare(added, first.id);
        });
        expected[0].shares = {keep};
        step([&] { store.removeShare(share.id, first.id); });            // every copy
        step([&] { store.removeShare(QUuid::createUuid(), first.id); }); // no share matched
        expected = {twin};
        step([&] { store.removeServers({0, 2}); }); // positions before the call
        QCOMPARE(spy.count(), 9);
    }

    void unknownServerIdChangesNothing()
    {
        ShareStore store(*m_settings);
        store.setServers({named("a")});
        const QList<Server> before = store.servers();
        m_settings->remove(AppSettings::serversKey); // any save would bring it back
        QSignalSpy spy(&store, &ShareStore::serversChanged);

        store.updateServer(named("stranger"));
        store.addShare(Share::create(s("x")), QUuid::createUuid());
        store.removeShare(QUuid::createUuid(), QUuid::createUuid());

        QCOMPARE(spy.count(), 0);
        QVERIFY(!m_settings->contains(AppSettings::serversKey));
        QCOMPARE(store.servers(), before);
    }

    void presetsServeAUserUntilTheUserHasOwnValues()
    {
        const QString home = m_dir.filePath(s("home")), etc = m_dir.filePath(s("etc"));
        qputenv("XDG_CONFIG_HOME", home.toUtf8());
        qputenv("XDG_CONFIG_DIRS", (etc + s(":") + m_dir.filePath(s("second"))).toUtf8());
        const auto preset = [&](const char* dir, const QList<Server>& servers, int interval) {
            QSettings file(m_dir.filePath(s(dir) + s("/tarnwick/tarnwick.conf")),
                           QSettings::IniFormat);
            file.setValue(AppSettings::serversKey, ServerListCodec::encode(servers));
            file.setValue(AppSettings::mountIntervalKey, interval);
        };
        const Server fleet = named("fleet"), mine = named("mine");
        preset("second", {named("loser")}, 999); // the first dir wins, key by key
        preset("etc", {fleet}, 300);
        const QString userFile = home + s("/tarnwick/tarnwick.conf");
        {
            auto settings = AppSettings::open();
            QCOMPARE(settings->fileName(), userFile);
            ShareStore store(*settings);
            QCOMPARE(store.servers(), QList<Server>{fleet});
            QCOMPARE(AppSettings::mountInterval(*settings), 300.0);
            settings->sync();
            QVERIFY(!QFile::exists(userFile)); // showing presets stores nothing
            store.addServer(mine);
        }
        QCOMPARE(ShareStore(*AppSettings::open(userFile)).servers(), (QList<Server>{fleet, mine}));
        QVERIFY(!AppSettings::open(userFile)->contains(AppSettings::mountIntervalKey));
        preset("etc", {named("a later preset")}, 60);
        auto settings = AppSettings::open();
        QCOMPARE(ShareStore(*settings).servers(), (QList<Server>{fleet, mine}));
        QCOMPARE(AppSettings::mountInterval(*settings), 60.0); // no own value yet
        QVERIFY(ShareStore(*AppSettings::open(m_dir.filePath(s("other")))).servers().isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestShareStore)
#include "tst_share_store.moc"
