#include "discovery/bonjour_browser.h"
#include "platform/profile_factory.h"
#include "settings/discovered_server_section.h"
#include "settings/discovery_sheet.h"
#include "settings/server_edit_view.h"
#include "settings/servers_view.h"
#include "settings/settings_window.h"
#include "settings_fixture.h"
#include "shell/translations.h"
#include "style/share_check_list.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

using namespace tarnwick;

// The discovery sheet over the Servers tab, with a real avahi-daemon announcing servers
// and a real Samba server listing their shares (tests/support/avahi-env.sh, smbd-rig.sh).
// "Office Files" is published on office.local, which resolves to the Samba server;
// "Printer Room" on other.local (127.0.0.2), where nothing answers SMB.
class TestDiscoverySheet : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    const QString m_host = u"office.local"_qs;
    const QStringList m_shares{u"Public"_qs, u"Quarterly Reports 2024"_qs, u"Team Docs"_qs,
                               u"archive"_qs};
    std::vector<std::unique_ptr<QProcess>> m_publishers;
    std::unique_ptr<test::SettingsFixture> m_fx;
    std::unique_ptr<ServersView> m_view;

    bool publish(const QStringList& args)
    {
        auto& process = m_publishers.emplace_back(std::make_unique<QProcess>());
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(u"stdbuf"_qs, QStringList{u"-oL"_qs, u"avahi-publish"_qs} + args);
        QByteArray seen;
        return QTest::qWaitFor(
            [&] {
                process->waitForReadyRead(50);
                return (seen += process->readAll()).contains("Established");
            },
            10000);
    }
    DiscoverySheet* openSheet(ServersView* view)
    {
        view->findChild<QToolButton*>(u"discover"_qs)->click();
        return view->discoverySheet();
    }
    // The share boxes of host's section once its shares are listed; null while not.
    static ShareCheckList* listed(DiscoverySheet* sheet, const QString& host)
    {
        ShareCheckList* boxes = nullptr;
        (void)QTest::qWaitFor(
            [&] {
                DiscoveredServerSection* section = sheet->sectionFor(host);
                boxes = section ? section->findChild<ShareCheckList*>() : nullptr;
                return boxes && (!boxes->isHidden() ||
                                 !section->findChild<QLabel*>(u"noShares"_qs)->isHidden());
            },
            20000);
        return boxes;
    }
    static QStringList ticked(ShareCheckList* list)
    {
        QStringList names;
        for (qsizetype i = 0; i < list->names().size(); ++i) {
            if (list->boxes().at(i)->isChecked())
                names.append(list->names().at(i));
        }
        return names;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The launch-at-login state in the screenshots is not the machine user's.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        QVERIFY2(!qEnvironmentVariableIsEmpty("TARNWICK_SMB_HOST"), "needs smbd-rig.sh");
        QVERIFY(publish({u"-a"_qs, u"-R"_qs, m_host, qEnvironmentVariable("TARNWICK_SMB_HOST")}));
        QVERIFY(
            publish({u"-s"_qs, u"-H"_qs, m_host, u"Office Files"_qs, u"_smb._tcp"_qs, u"445"_qs}));
        QVERIFY(publish({u"-a"_qs, u"-R"_qs, u"other.local"_qs, u"127.0.0.2"_qs}));
        QVERIFY(publish({u"-s"_qs, u"-H"_qs, u"other.local"_qs, u"Printer Room"_qs, u"_smb._tcp"_qs,
                         u"445"_qs}));
    }
    void cleanupTestCase() { m_publishers.clear(); } // QProcess kills on destruction
    void init()
    {
        m_fx = std::make_unique<test::SettingsFixture>();
        m_fx->lister = std::make_shared<test::FakeShareLister>(ProfileFactory::createShareLister());
        m_view = std::make_unique<ServersView>(m_fx->store, m_fx->lister);
        m_view->show();
    }
    void cleanup()
    {
        m_view.reset();
        m_fx.reset();
    }

    // Sections appear with every share ticked; add hands over the ticked ones (unless the
    // host is stored) and shows the check mark until rescan lists everything afresh.
    void addTakesTheTickedSharesUntilRescan_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::newRow("new host") << false;
        QTest::newRow("host already stored") << true;
    }
    void addTakesTheTickedSharesUntilRescan()
    {
        QFETCH(bool, stored);
        const QList<Server> before{Server::create(u"My NAS"_qs, m_host)};
        if (stored)
            m_fx->store.setServers(before);
        DiscoverySheet* sheet = openSheet(m_view.get());
        QCOMPARE(sheet->windowModality(), Qt::WindowModal);
        QCOMPARE(sheet->size(), QSize(460, 400));
        ShareCheckList* office = listed(sheet, m_host);
        QVERIFY(office);
        QCOMPARE(ticked(office), m_shares); // every share, each once, all ticked
        QCOMPARE(office->names(), m_shares);
        QCOMPARE(m_fx->lister->calls().count(m_host), 1);
        ShareCheckList* printer = listed(sheet, u"other.local"_qs); // no SMB: nothing to add
        QVERIFY(printer && printer->isHidden() && printer->names().isEmpty());
        auto* section = sheet->sectionFor(m_host);
        auto* add = section->findChild<QPushButton*>(u"add"_qs);
        QVERIFY(!sheet->sectionFor(u"other.local"_qs)->findChild<QPushButton*>()->isEnabled());
        for (QCheckBox* box : office->boxes())
            box->click();
        QVERIFY(!add->isEnabled());
        office->boxes().at(2)->click(); // Team Docs
        office->boxes().at(0)->click(); // Public
        QCOMPARE(m_fx->store.servers(), stored ? before : QList<Server>());
        add->click();
        QVERIFY(sheet->isVisible() && add->isHidden());
        QVERIFY(!section->findChild<QLabel*>(u"added"_qs)->isHidden());
        if (stored) {
            QCOMPARE(m_fx->store.servers(), before);
        } else {
            const Server server = m_fx->store.servers().value(0);
            QCOMPARE(server.displayName + u'@' + server.host, u"Office Files@"_qs + m_host);
            QCOMPARE(server.shares.size(), 2);
            QCOMPARE(server.shares.at(0).name + u'+' + server.shares.at(1).name,
                     u"Public+Team Docs"_qs);
            QCOMPARE(m_view->selectedServerId(), server.id);
        }

        auto* rescan = sheet->findChild<QPushButton*>(u"rescan"_qs);
        QVERIFY(!rescan->isEnabled()); // not while the search runs
        m_view->browser().stopSearch();
        rescan->click();
        QVERIFY(m_view->browser().isSearching());
        QTRY_VERIFY(sheet->sectionFor(m_host) != section);
        office = listed(sheet, m_host);
        QVERIFY(office &&
                !sheet->sectionFor(m_host)->findChild<QPushButton*>(u"add"_qs)->isHidden());
        QCOMPARE(ticked(office), m_shares);                            // every share ticked again
        QCOMPARE(m_fx->lister->calls().count(m_host), stored ? 2 : 3); // the editor listed too
    }

    // Searching, then nothing found, then the list; Done (Return) and Escape close the
    // sheet, stop the search and add nothing; opening again starts afresh.
    void theSearchStopsWhenTheSheetGoesAway_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Return (Done)") << int(Qt::Key_Return);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
    }
    void theSearchStopsWhenTheSheetGoesAway()
    {
        QFETCH(int, key);
        QPointer<DiscoverySheet> sheet = openSheet(m_view.get());
        m_view->browser().stopSearch(); // right after the start: nothing found yet
        auto* body = sheet->findChild<QStackedWidget*>();
        QCOMPARE(body->currentWidget()->objectName(), u"noneFound"_qs);
        m_view->browser().startSearch();
        QCOMPARE(body->currentWidget()->objectName(), u"searching"_qs);
        QVERIFY(sheet->findChild<QWidget*>(u"titleBusy"_qs)->isVisibleTo(sheet));
        ShareCheckList* office = listed(sheet, m_host);
        QVERIFY(office);
        QCOMPARE(body->currentWidget()->objectName(), u"serverList"_qs);
        office->boxes().at(0)->setFocus(); // Return is the sheet's, not the focused box's
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : sheet.data(),
                        Qt::Key(key));
        QTRY_VERIFY(!sheet);
        QVERIFY(!m_view->browser().isSearching() && m_fx->store.servers().isEmpty());
        QVERIFY(!m_view->browser().discovered().isEmpty());
        DiscoverySheet* again = openSheet(m_view.get());
        QVERIFY(m_view->browser().isSearching() && !again->sectionFor(m_host));
        QVERIFY(listed(again, m_host));
    }

    // With TARNWICK_SCREENSHOT_DIR set, saves the settings screenshots shown in the README.
    void screenshots_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::newRow("en") << QLocale(QLocale::English);
        QTest::newRow("de") << QLocale(QLocale::German, QLocale::Germany);
    }
    void screenshots()
    {
        QFETCH(QLocale, locale);
        const QString target = qEnvironmentVariable("TARNWICK_SCREENSHOT_DIR");
        if (target.isEmpty())
            QSKIP("TARNWICK_SCREENSHOT_DIR not set");
        m_view.reset();
        Translations::install(*qApp, locale);
        QCoreApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
        const auto save = [&](QWidget* widget, const QString& name) {
            QTest::qWait(100); // let the layouts settle
            QVERIFY(widget->grab().save(u"%1/%2-%3.png"_qs.arg(
                target, name, QString::fromLatin1(QTest::currentDataTag()))));
        };
        Server office = Server::create(u"Office Files"_qs, m_host);
        office.shares = {Share::create(u"Public"_qs), Share::create(u"Team Docs"_qs)};
        Server backup = Server::create(u"Backup"_qs, u"backup.local"_qs);
        backup.isEnabled = false;
        m_fx->store.setServers({office, backup, Server::create(QString(), QString())});
        std::unique_ptr<SettingsWindow> window(
            new SettingsWindow(m_fx->store, *m_fx->settings, m_fx->lister));
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        save(window.get(), u"settings-servers"_qs);
        window->serversView()->setSelectedServerId(office.id);
        QTRY_VERIFY_WITH_TIMEOUT(window->serversView()->editor()->shareArea() ==
                                     ServerEditView::ShareArea::Shares,
                                 20000);
        save(window.get(), u"settings-editor"_qs);
        window->tabs()->setCurrentIndex(1);
        save(window.get(), u"settings-general"_qs);
        window->tabs()->setCurrentIndex(0);
        window->serversView()->setSelectedServerId(QUuid());
        DiscoverySheet* sheet = openSheet(window->serversView());
        QVERIFY(listed(sheet, m_host) && listed(sheet, u"other.local"_qs));
        save(sheet, u"discovery-sheet"_qs);
        window.reset();
        Translations::uninstall(*qApp);
    }
};

QTEST_MAIN(TestDiscoverySheet)
#include "tst_discovery_sheet.moc"
