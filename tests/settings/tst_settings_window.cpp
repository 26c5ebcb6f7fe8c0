#include "fake_share_lister.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "settings/servers_view.h"
#include "settings/settings_window.h"

#include <QPointer>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace tarnwick;

class TestSettingsWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
    }

    void serversTabFirstEachTimeTheWindowOpens()
    {
        auto settings = AppSettings::open(m_dir.filePath(QStringLiteral("window.conf")));
        ShareStore store(*settings);
        store.addServer(Server::create(QStringLiteral("NAS"), QStringLiteral("nas")));
        auto lister = std::make_shared<test::FakeShareLister>();

        for (int opening = 0; opening < 2; ++opening) {
            QPointer<SettingsWindow> window = new SettingsWindow(store, *settings, lister);
            window->show();
            QCOMPARE(window->size(), QSize(600, 540));
            QCOMPARE(window->minimumSize(), window->maximumSize());
            QCOMPARE(window->tabs()->count(), 2);
            QCOMPARE(window->tabs()->currentIndex(), 0);
            QCOMPARE(window->tabs()->tabText(0), qtTrId("tab.servers"));
            QCOMPARE(window->tabs()->tabText(1), qtTrId("tab.general"));
            QVERIFY(window->serversView()->selectedServerId().isNull());
            QCOMPARE(window->windowTitle(), qtTrId("settings.window_title"));

            // The user picks a server and the General tab, then closes the window.
            window->serversView()->setSelectedServerId(store.servers().first().id);
            window->tabs()->setCurrentIndex(1);
            window->close();
            QTRY_VERIFY(!window); // closing discards the content
        }
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "tst_settings_window.moc"
