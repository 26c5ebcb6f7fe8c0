#include "model/app_settings.h"
#include "model/server_list_codec.h"
#include "model/share_store.h"
#include "test_text.h"

#include <QTemporaryDir>
#include <QTest>

using namespace tarnwick;
using test::s;

class TestShareStore : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<QSettings> m_settings;

    QVariant stored() const { return m_settings->value(AppSettings::serversKey); }
    static Server named(const char* name) { return Server::create(s(name), s(name) + s(".l")); }

private Q_SLOTS:
    void init()
    {
        m_settings = AppSettings::open(
            m_dir.filePath(s(QTest::currentTestFunction()) + s(QTest::currentDataTag())));
    }

    // Nothing or an unreadable value stays as it is; a readable one is stored in saved form.
    void loads_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("saved");
        const Server server = named("nas");
        const QByteArray id = server.id.toString(QUuid::WithoutBraces).toUpper().toUtf8();
        QByteArray old = ServerListCodec::encode({server});
        old.replace("\"isEnabled\"", "\"legacy\":42,\"isEnabled\"").replace(id, id.toLower());
        QTest::newRow("old form") << QVariant(old) << QVariant(ServerListCodec::encode({server}));
        for (const QVariant& unread :
             {QVariant(), QVariant(QByteArray("{garbage")), QVariant(s("[]")), QVariant(7)})
            QTest::newRow(unread.isValid() ? unread.typeName() : "nothing") << unread << unread;
    }
    void loads()
    {
        QFETCH(QVariant, value);
        QFETCH(QVariant, saved);
        if (value.isValid())
            m_settings->setValue(AppSettings::serversKey, value);
        QCOMPARE(ShareStore(*m_settings).servers().size(), int(saved != value));
        QCOMPARE(stored(), saved);
    }

    // Each change saves on its own (the value goes before each step) and acts on the first
    // server of an id; an unknown id changes and saves nothing.
    void everyOperationSaves()
    {
        ShareStore store(*m_settings);
        const Server first = named("first"), twin{first.id, s("twin"), {}, {}, true};
        const Share share = Share::create(s("Media")), keep = Share::create(s("keep"));
        QList<Server> expected{first, twin, named("other")};
        const auto step = [&](const std::function<void()>& change) {
            m_settings->remove(AppSettings::serversKey);
            change();
            QCOMPARE(stored(), ServerListCodec::encode(expected));
        };
        step([&] { store.setServers(expected); });
        expected[0].host = s("changed");
        step([&] { store.updateServer(expected[0]); });
        expected[0].shares = {share, keep, share};
        step([&] {
            for (const Share& added : expected[0].shares)
                store.addShare(added, first.id);
        });
        expected[0].shares = {keep};
        step([&] { store.removeShare(share.id, first.id); }); // every copy
        expected = {twin};
        step([&] { store.removeServers({0, 2}); }); // positions before the call

        m_settings->remove(AppSettings::serversKey);
        store.updateServer(named("stranger"));
        store.addShare(share, QUuid::createUuid());
        store.removeShare(QUuid::createUuid(), QUuid::createUuid());
        QVERIFY(!m_settings->contains(AppSettings::serversKey));
        QCOMPARE(store.servers(), expected);
    }

    // Presets are shown, not copied; the user's first change stores the list as the user's
    // own, which a later preset no longer overrides.
    void presetsServeAUserUntilTheUserHasOwnValues()
    {
        const QString home = m_dir.filePath(s("home")), etc = m_dir.filePath(s("etc"));
        qputenv("XDG_CONFIG_HOME", home.toUtf8());
        qputenv("XDG_CONFIG_DIRS", etc.toUtf8());
        QSettings file(etc + s("/tarnwick/tarnwick.conf"), QSettings::IniFormat);
        const auto preset = [&](const QList<Server>& servers, int interval) {
            file.setValue(AppSettings::serversKey, ServerListCodec::encode(servers));
            file.setValue(AppSettings::mountIntervalKey, interval);
            file.sync();
        };
        const Server fleet = named("fleet"), mine = named("mine");
        preset({fleet}, 300);
        {
            auto settings = AppSettings::open();
            ShareStore store(*settings);
            QCOMPARE(store.servers(), QList<Server>{fleet});
            QCOMPARE(AppSettings::mountInterval(*settings), 300.0);
            settings->sync();
            QVERIFY(!QFile::exists(settings->fileName()));
            store.addServer(mine);
        }
        preset({named("a later preset")}, 60);
        auto settings = AppSettings::open();
        QCOMPARE(ShareStore(*settings).servers(), (QList<Server>{fleet, mine}));
        QCOMPARE(AppSettings::mountInterval(*settings), 60.0); // no own value yet
    }
};

QTEST_GUILESS_MAIN(TestShareStore)
#include "tst_share_store.moc"
