#include "discovery/bonjour_browser.h"
#include "platform/profile_factory.h"
#include "settings/discovered_server_section.h"
#include "settings/discovery_sheet.h"
#include "settings/server_edit_view.h"
#include "settings/servers_view.h"
#include "settings/settings_window.h"
#include "settings_fixture.h"
#include "shell/translations.h"

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

namespace {
constexpr int discoveryTimeout = 20000;
}

// The discovery sheet over the Servers tab, with a real avahi-daemon announcing servers
// and a real Samba server listing their shares (tests/support/avahi-env.sh, smbd-rig.sh).
// "Office Files" is published on office.local, which resolves to the Samba server;
// "Printer Room" on other.local (127.0.0.2), where nothing answers SMB.
class TestDiscoverySheet : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;
    const QString m_host = u"office.local"_qs;
    const QString m_other = u"other.local"_qs;
    const QStringList m_shares{u"Public"_qs, u"Quarterly Reports 2024"_qs, u"Team Docs"_qs,
                               u"archive"_qs};
    std::vector<std::unique_ptr<QProcess>> m_publishers;
    std::unique_ptr<test::SettingsFixture> m_fx;
    std::unique_ptr<ServersView> m_view;

    ShareStore& store() { return m_fx->store; }
    int listings(const QString& host) const { return int(m_fx->lister->calls().count(host)); }
    bool publish(const QStringList& args)
    {
        auto& process = m_publishers.emplace_back(std::make_unique<QProcess>());
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(u"stdbuf"_qs, QStringList{u"-oL"_qs, u"avahi-publish"_qs} + args);
        QByteArray seen;
        for (int i = 0;
             i < 200 && process->state() != QProcess::NotRunning && !seen.contains("Established");
             ++i) {
            process->waitForReadyRead(50);
            seen += process->readAll();
        }
        return seen.contains("Established");
    }
    DiscoverySheet* openSheet()
    {
        m_view->findChild<QToolButton*>(u"discover"_qs)->click();
        return m_view->discoverySheet();
    }
    // The section for host once its shares are listed.
    static DiscoveredServerSection* listedSection(DiscoverySheet* sheet, const QString& host)
    {
        DiscoveredServerSection* section = nullptr;
        const bool listed = QTest::qWaitFor(
            [&] {
                section = sheet->sectionFor(host);
                return section && (!section->findChild<QLabel*>(u"noShares"_qs)->isHidden() ||
                                   !boxes(section).isEmpty());
            },
            discoveryTimeout);
        return listed ? section : nullptr;
    }
    static QList<QCheckBox*> boxes(DiscoveredServerSection* section)
    {
        QList<QCheckBox*> visible;
        for (QCheckBox* box : section->findChildren<QCheckBox*>()) {
            if (!box->isHidden() && !box->parentWidget()->isHidden())
                visible.append(box);
        }
        return visible;
    }
    static QStringList ticked(DiscoveredServerSection* section)
    {
        QStringList names;
        for (QCheckBox* box : boxes(section)) {
            if (box->isChecked())
                names.append(box->property("shareName").toString());
        }
        return names;
    }
    static QPushButton* addButton(DiscoveredServerSection* section)
    {
        return section->findChild<QPushButton*>(u"add"_qs);
    }
    static bool checkMarkShown(DiscoveredServerSection* section)
    {
        return !section->findChild<QLabel*>(u"added"_qs)->isHidden() &&
               addButton(section)->isHidden();
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The launch-at-login state in the screenshots is not the machine user's.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        if (qEnvironmentVariableIsEmpty("TARNWICK_AVAHI_HOST") ||
            qEnvironmentVariableIsEmpty("TARNWICK_SMB_HOST"))
            QFAIL("needs tests/support/avahi-env.sh and tests/support/smbd-rig.sh");
        QVERIFY(publish({u"-a"_qs, u"-R"_qs, m_host, qEnvironmentVariable("TARNWICK_SMB_HOST")}));
        QVERIFY(
            publish({u"-s"_qs, u"-H"_qs, m_host, u"Office Files"_qs, u"_smb._tcp"_qs, u"445"_qs}));
        QVERIFY(publish({u"-a"_qs, u"-R"_qs, m_other, u"127.0.0.2"_qs}));
        QVERIFY(
            publish({u"-s"_qs, u"-H"_qs, m_other, u"Printer Room"_qs, u"_smb._tcp"_qs, u"445"_qs}));
    }
    void cleanupTestCase()
    {
        for (auto& process : m_publishers) {
            process->terminate();
            process->waitForFinished();
        }
    }
    void init()
    {
        m_fx = std::make_unique<test::SettingsFixture>();
        m_fx->lister = std::make_shared<test::FakeShareLister>(ProfileFactory::createShareLister());
        m_view = std::make_unique<ServersView>(store(), m_fx->lister);
        m_view->resize(600, 500);
        m_view->show();
    }
    void cleanup()
    {
        m_view.reset();
        m_fx.reset();
    }

    void publishedServerAppearsTickedAndAddTakesTheTickedShares()
    {
        DiscoverySheet* sheet = openSheet();
        QVERIFY(sheet && sheet->isVisible());
        QCOMPARE(sheet->windowModality(), Qt::WindowModal);
        QCOMPARE(sheet->size(), QSize(460, 400));
        QVERIFY(m_view->browser().isSearching());
        DiscoveredServerSection* office = listedSection(sheet, m_host);
        QVERIFY(office);
        QCOMPARE(office->findChild<QLabel*>(u"name"_qs)->text(), u"Office Files"_qs);
        QCOMPARE(ticked(office), m_shares); // every share, each once, all ticked
        QCOMPARE(boxes(office).size(), m_shares.size());
        QCOMPARE(listings(m_host), 1);
        // A host without SMB: no shares, nothing to add.
        DiscoveredServerSection* printer = listedSection(sheet, m_other);
        QVERIFY(printer && boxes(printer).isEmpty());
        QVERIFY(!printer->findChild<QLabel*>(u"noShares"_qs)->isHidden());
        QVERIFY(!addButton(printer)->isEnabled());

        for (QCheckBox* box : boxes(office))
            box->click();
        QVERIFY(!addButton(office)->isEnabled());
        boxes(office).at(2)->click();         // Team Docs
        boxes(office).at(0)->click();         // Public
        QVERIFY(store().servers().isEmpty()); // the sheet itself stores nothing
        addButton(office)->click();
        QVERIFY(checkMarkShown(office));
        QVERIFY(sheet->isVisible()); // the sheet stays open
        QCOMPARE(store().servers().size(), 1);
        const Server server = store().servers().first();
        QCOMPARE(server.displayName, u"Office Files"_qs);
        QCOMPARE(server.host, m_host);
        QStringList stored;
        for (const Share& share : server.shares)
            stored.append(share.name);
        QCOMPARE(stored, (QStringList{u"Public"_qs, u"Team Docs"_qs}));
        QCOMPARE(m_view->selectedServerId(), server.id);
    }

    void addForAStoredHostShowsTheCheckMarkUntilRescan()
    {
        // Stored already, so adding opens no editor (which would list the host too).
        const Server mine = m_fx->add(u"My NAS"_qs, m_host);
        DiscoverySheet* sheet = openSheet();
        DiscoveredServerSection* office = listedSection(sheet, m_host);
        QVERIFY(office);
        boxes(office).at(0)->click();
        addButton(office)->click();
        QVERIFY(checkMarkShown(office));
        QCOMPARE(store().servers(), QList<Server>{mine});

        auto* rescan = sheet->findChild<QPushButton*>(u"rescan"_qs);
        QVERIFY(!rescan->isEnabled()); // not while the search runs
        const int before = listings(m_host);
        m_view->browser().stopSearch();
        QVERIFY(rescan->isEnabled());
        rescan->click();
        QVERIFY(m_view->browser().isSearching());
        QTRY_VERIFY(sheet->sectionFor(m_host) != office);
        office = listedSection(sheet, m_host);
        QVERIFY(office && !checkMarkShown(office));
        QCOMPARE(ticked(office), m_shares); // every share ticked again
        QCOMPARE(listings(m_host), before + 1);
    }

    void searchingThenNoneFound()
    {
        DiscoverySheet* sheet = openSheet();
        m_view->browser().stopSearch(); // right after the start: nothing found yet
        auto* body = sheet->findChild<QStackedWidget*>();
        QCOMPARE(body->currentWidget()->objectName(), u"noneFound"_qs);
        m_view->browser().startSearch();
        QCOMPARE(body->currentWidget()->objectName(), u"searching"_qs);
        QVERIFY(sheet->findChild<QWidget*>(u"titleBusy"_qs)->isVisibleTo(sheet));
        QVERIFY(listedSection(sheet, m_host));
        QCOMPARE(body->currentWidget()->objectName(), u"serverList"_qs);
    }

    void theSearchStopsWhenTheSheetGoesAway_data()
    {
        QTest::addColumn<int>("key");
        QTest::newRow("Return (Done)") << int(Qt::Key_Return);
        QTest::newRow("Escape") << int(Qt::Key_Escape);
    }
    void theSearchStopsWhenTheSheetGoesAway()
    {
        QFETCH(int, key);
        QPointer<DiscoverySheet> sheet = openSheet();
        DiscoveredServerSection* office = listedSection(sheet, m_host);
        QVERIFY(office);
        boxes(office).at(0)->setFocus(); // Return is the sheet's, not the focused box's
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : sheet.data(),
                        Qt::Key(key));
        QTRY_VERIFY(!sheet);
        QVERIFY(!m_view->browser().isSearching());
        QVERIFY(store().servers().isEmpty());

        // Opening it again starts afresh, without the servers of the last search.
        QVERIFY(!m_view->browser().discovered().isEmpty());
        DiscoverySheet* again = openSheet();
        QVERIFY(m_view->browser().isSearching());
        QVERIFY(!again->sectionFor(m_host));
        QVERIFY(listedSection(again, m_host));
    }

    // With TARNWICK_SCREENSHOT_DIR set, saves the settings screenshots shown in the README.
    void screenshots_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << QLocale(QLocale::English) << u"en"_qs;
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany) << u"de"_qs;
    }
    void screenshots()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, language);
        const QString target = qEnvironmentVariable("TARNWICK_SCREENSHOT_DIR");
        if (target.isEmpty())
            QSKIP("TARNWICK_SCREENSHOT_DIR not set");
        m_view.reset();
        Translations::install(*qApp, locale);
        QCoreApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
        const auto save = [&](QWidget* widget, const QString& name) {
            QTest::qWait(100); // let the layouts settle
            QVERIFY(widget->grab().save(u"%1/%2-%3.png"_qs.arg(target, name, language)));
        };

        Server office = Server::create(u"Office Files"_qs, m_host);
        office.shares = {Share::create(u"Public"_qs), Share::create(u"Team Docs"_qs)};
        Server backup = Server::create(u"Backup"_qs, u"backup.local"_qs);
        backup.isEnabled = false;
        store().setServers({office, backup, Server::create(QString(), QString())});
        auto* window = new SettingsWindow(store(), *m_fx->settings, m_fx->lister);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        save(window, u"settings-servers"_qs);

        window->serversView()->setSelectedServerId(office.id);
        QTRY_VERIFY_WITH_TIMEOUT(window->serversView()->editor()->shareArea() ==
                                     ServerEditView::ShareArea::Shares,
                                 discoveryTimeout);
        save(window, u"settings-editor"_qs);
        window->tabs()->setCurrentIndex(1);
        save(window, u"settings-general"_qs);

        window->tabs()->setCurrentIndex(0);
        window->serversView()->setSelectedServerId(QUuid());
        window->findChild<QToolButton*>(u"discover"_qs)->click();
        DiscoverySheet* sheet = window->serversView()->discoverySheet();
        QVERIFY(listedSection(sheet, m_host));
        QVERIFY(listedSection(sheet, m_other));
        save(sheet, u"discovery-sheet"_qs);
        delete window;
        Translations::uninstall(*qApp);
    }
};

QTEST_MAIN(TestDiscoverySheet)
#include "tst_discovery_sheet.moc"
