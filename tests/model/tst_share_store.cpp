#include "model/app_settings.h"
#include "model/server_list_codec.h"
#include "model/share_store.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwick;

class TestShareStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;

    QByteArray stored() const { return m_settings->value(AppSettings::serversKey).toByteArray(); }
    QList<Server> storedServers() const { return ServerListCodec::decode(stored()).value(); }

    static Server named(const QString& name)
    {
        return Server::create(name, name + QStringLiteral(".local"));
    }

private Q_SLOTS:
    void init()
    {
        m_settings = AppSettings::open(m_dir.filePath(
            QString::fromLatin1(QTest::currentTestFunction()) + QStringLiteral(".conf")));
        m_settings->clear();
    }

    void firstStartStoresNothing()
    {
        ShareStore store(*m_settings);
        QVERIFY(store.servers().isEmpty());
        QVERIFY(!m_settings->contains(AppSettings::serversKey));
    }

    void everyAssignmentSavesAndNotifies()
    {
        ShareStore store(*m_settings);
        QSignalSpy spy(&store, &ShareStore::serversChanged);
        store.setServers({named(QStringLiteral("a"))});
        QCOMPARE(storedServers(), store.servers());
        store.setServers(store.servers()); // unchanged still counts
        QCOMPARE(spy.count(), 2);
    }

    void persistsAcrossInstancesAndFiles()
    {
        const Server server = named(QStringLiteral("nas"));
        {
            ShareStore store(*m_settings);
            store.addServer(server);
        }
        m_settings->sync();
        auto reopened = AppSettings::open(m_settings->fileName());
        ShareStore again(*reopened);
        QCOMPARE(again.servers(), QList<Server>{server});
    }

    void loadRewritesInSavedForm()
    {
        const Server server = named(QStringLiteral("nas"));
        QByteArray json = ServerListCodec::encode({server});
        json.replace("\"isEnabled\"", "\"legacy\":42,\"isEnabled\"");
        json.replace(server.id.toString(QUuid::WithoutBraces).toUpper().toUtf8(),
                     server.id.toString(QUuid::WithoutBraces).toUtf8());
        m_settings->setValue(AppSettings::serversKey, json);

        ShareStore store(*m_settings);
        QCOMPARE(store.servers(), QList<Server>{server});
        QVERIFY(!stored().contains("legacy"));
        QVERIFY(stored().contains(server.id.toString(QUuid::WithoutBraces).toUpper().toUtf8()));
    }

    void unreadableValueLeavesListEmpty_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("not json") << QVariant(QByteArrayLiteral("{garbage"));
        QTest::newRow("empty bytes") << QVariant(QByteArray());
        QTest::newRow("missing member") << QVariant(QByteArrayLiteral(R"([{"id":"x"}])"));
        QTest::newRow("a string, not bytes") << QVariant(QStringLiteral("[]"));
        QTest::newRow("a number") << QVariant(7);
    }
    void unreadableValueLeavesListEmpty()
    {
        QFETCH(QVariant, value);
        m_settings->setValue(AppSettings::serversKey, value);
        ShareStore store(*m_settings);
        QVERIFY(store.servers().isEmpty());
        QCOMPARE(m_settings->value(AppSettings::serversKey), value); // untouched until a change
        store.addServer(named(QStringLiteral("x")));
        QCOMPARE(storedServers().size(), 1);
    }

    void removeServersByPositionsBeforeTheCall()
    {
        ShareStore store(*m_settings);
        const Server a = named(QStringLiteral("a")), b = named(QStringLiteral("b")),
                     c = named(QStringLiteral("c"));
        store.setServers({a, b, c});
        store.removeServers({0, 2});
        QCOMPARE(store.servers(), QList<Server>{b});
        QCOMPARE(storedServers(), QList<Server>{b});
    }

    void firstMatchOnDuplicateIds()
    {
        ShareStore store(*m_settings);
        Server first = named(QStringLiteral("first"));
        Server second = first;
        second.displayName = QStringLiteral("second");
        store.setServers({first, second});

        Server edited = first;
        edited.host = QStringLiteral("changed");
        store.updateServer(edited);
        QCOMPARE(store.servers().at(0).host, QStringLiteral("changed"));
        QCOMPARE(store.servers().at(1), second);

        const Share share = Share::create(QStringLiteral("Media"));
        store.addShare(share, first.id);
        QCOMPARE(store.servers().at(0).shares, QList<Share>{share});
        QVERIFY(store.servers().at(1).shares.isEmpty());

        store.removeShare(share.id, first.id);
        QVERIFY(store.servers().at(0).shares.isEmpty());
        QCOMPARE(storedServers(), store.servers());
    }

    void unknownServerIdChangesNothing()
    {
        ShareStore store(*m_settings);
        store.setServers({named(QStringLiteral("a"))});
        const QByteArray before = stored();
        m_settings->remove(AppSettings::serversKey); // any save would bring it back
        QSignalSpy spy(&store, &ShareStore::serversChanged);

        store.updateServer(named(QStringLiteral("stranger")));
        store.addShare(Share::create(QStringLiteral("x")), QUuid::createUuid());
        store.removeShare(QUuid::createUuid(), QUuid::createUuid());

        QCOMPARE(spy.count(), 0);
        QVERIFY(!m_settings->contains(AppSettings::serversKey));
        QCOMPARE(ServerListCodec::encode(store.servers()), before);
    }

    void removeShareSavesEvenWithoutMatch()
    {
        ShareStore store(*m_settings);
        const Server server = named(QStringLiteral("a"));
        store.setServers({server});
        m_settings->remove(AppSettings::serversKey);
        store.removeShare(QUuid::createUuid(), server.id);
        QCOMPARE(storedServers(), QList<Server>{server});
    }

    void removeShareRemovesEveryCopy()
    {
        ShareStore store(*m_settings);
        Server server = named(QStringLiteral("a"));
        const Share twice = Share::create(QStringLiteral("dup"));
        const Share keep = Share::create(QStringLiteral("keep"));
        server.shares = {twice, keep, twice};
        store.setServers({server});
        store.removeShare(twice.id, server.id);
        QCOMPARE(store.servers().at(0).shares, QList<Share>{keep});
    }
};

QTEST_GUILESS_MAIN(TestShareStore)
#include "tst_share_store.moc"
