#include "discovery/bonjour_browser.h"
#include "discovery/share_lister.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "platform/profile_factory.h"
#include "settings/discovered_server_section.h"
#include "settings/discovery_sheet.h"
#include "settings/server_edit_view.h"
#include "settings/servers_view.h"
#include "settings/settings_window.h"
#include "shell/translations.h"

#include <QCheckBox>
#include <QLabel>
#include <QMutex>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace tarnwick;

namespace {

// The real share lister, counting the listings per host.
class CountingShareLister : public ShareLister {
public:
    explicit CountingShareLister(std::shared_ptr<const ShareLister> real)
        : m_real(std::move(real))
    {
    }
    QStringList listShares(const QString& host) const override
    {
        {
            QMutexLocker lock(&m_mutex);
            m_calls.append(host);
        }
        return m_real->listShares(host);
    }
    int count(const QString& host) const
    {
        QMutexLocker lock(&m_mutex);
        return int(m_calls.count(host));
    }

private:
    std::shared_ptr<const ShareLister> m_real;
    mutable QMutex m_mutex;
    mutable QStringList m_calls;
};

constexpr int discoveryTimeout = 20000;

} // namespace

// The discovery sheet over the Servers tab, with a real avahi-daemon announcing servers
// and a real Samba server listing their shares (tests/support/avahi-env.sh, smbd-env.sh).
// "Office Files" is published on office.local, which resolves to the Samba server
// (127.0.0.1); "Printer Room" on other.local (127.0.0.2), where nothing answers SMB. (smbd
// announces itself on the avahi host too; that third server is not looked at.)
class TestDiscoverySheet : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    const QString m_host = QStringLiteral("office.local");
    const QString m_other = QStringLiteral("other.local");
    const QStringList m_shares{QStringLiteral("Public"), QStringLiteral("Quarterly Reports 2024"),
                               QStringLiteral("Team Docs"), QStringLiteral("archive")};
    std::vector<std::unique_ptr<QProcess>> m_publishers;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<ShareStore> m_store;
    std::shared_ptr<CountingShareLister> m_lister;
    std::unique_ptr<ServersView> m_view;

    bool publish(const QStringList& args)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(QStringLiteral("stdbuf"),
                       QStringList{QStringLiteral("-oL"), QStringLiteral("avahi-publish")} + args);
        if (!process->waitForStarted())
            return false;
        QByteArray seen;
        for (int i = 0; i < 200 && !seen.contains("Established"); ++i) {
            process->waitForReadyRead(50);
            seen += process->readAll();
        }
        m_publishers.push_back(std::move(process));
        return seen.contains("Established");
    }
    DiscoverySheet* openSheet()
    {
        m_view->findChild<QToolButton*>(QStringLiteral("discover"))->click();
        return m_view->discoverySheet();
    }
    // The section for host once its shares are listed.
    DiscoveredServerSection* listedSection(DiscoverySheet* sheet, const QString& host)
    {
        for (int waited = 0; waited < discoveryTimeout; waited += 50) {
            DiscoveredServerSection* section = sheet->sectionFor(host);
            if (section && !section->findChild<QLabel*>(QStringLiteral("noShares"))->isHidden())
                return section;
            if (section && !boxes(section).isEmpty())
                return section;
            QTest::qWait(50);
        }
        return nullptr;
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
    static QStringList names(const QList<QCheckBox*>& boxes, bool tickedOnly)
    {
        QStringList names;
        for (QCheckBox* box : boxes) {
            if (!tickedOnly || box->isChecked())
                names.append(box->property("shareName").toString());
        }
        return names;
    }
    static QPushButton* addButton(DiscoveredServerSection* section)
    {
        return section->findChild<QPushButton*>(QStringLiteral("add"));
    }
    static bool checkMarkShown(DiscoveredServerSection* section)
    {
        return !section->findChild<QLabel*>(QStringLiteral("added"))->isHidden() &&
               addButton(section)->isHidden();
    }

private Q_SLOTS:
    void initTestCase()
    {
        // The launch-at-login state in the screenshots is not the machine user's.
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("config"))));
        if (qEnvironmentVariableIsEmpty("TARNWICK_AVAHI_HOST") ||
            qEnvironmentVariableIsEmpty("TARNWICK_SMB_HOST"))
            QFAIL("needs tests/support/avahi-env.sh and tests/support/smbd-env.sh");
        QVERIFY(publish({QStringLiteral("-a"), QStringLiteral("-R"), m_host,
                         qEnvironmentVariable("TARNWICK_SMB_HOST")}));
        QVERIFY(publish({QStringLiteral("-s"), QStringLiteral("-H"), m_host,
                         QStringLiteral("Office Files"), QStringLiteral("_smb._tcp"),
                         QStringLiteral("445")}));
        QVERIFY(publish(
            {QStringLiteral("-a"), QStringLiteral("-R"), m_other, QStringLiteral("127.0.0.2")}));
        QVERIFY(publish({QStringLiteral("-s"), QStringLiteral("-H"), m_other,
                         QStringLiteral("Printer Room"), QStringLiteral("_smb._tcp"),
                         QStringLiteral("445")}));
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
        m_settings = AppSettings::open(m_dir.filePath(QStringLiteral("discovery.conf")));
        m_settings->clear();
        m_store = std::make_unique<ShareStore>(*m_settings);
        m_lister = std::make_shared<CountingShareLister>(ProfileFactory::createShareLister());
        m_view = std::make_unique<ServersView>(*m_store, m_lister);
        m_view->resize(600, 500);
        m_view->show();
    }
    void cleanup() { m_view.reset(); }

    void publishedServerAppearsWithItsSharesTicked()
    {
        DiscoverySheet* sheet = openSheet();
        QVERIFY(sheet);
        QVERIFY(sheet->isVisible());
        QCOMPARE(sheet->windowModality(), Qt::WindowModal);
        QCOMPARE(sheet->size(), QSize(460, 400));
        QVERIFY(m_view->browser().isSearching());

        DiscoveredServerSection* office = listedSection(sheet, m_host);
        QVERIFY(office);
        QCOMPARE(office->findChild<QLabel*>(QStringLiteral("name"))->text(),
                 QStringLiteral("Office Files"));
        QCOMPARE(names(boxes(office), false), m_shares);
        QCOMPARE(names(boxes(office), true), m_shares);
        QVERIFY(addButton(office)->isEnabled());
        QCOMPARE(m_lister->count(m_host), 1);

        // A host without SMB: no shares, nothing to add.
        DiscoveredServerSection* printer = listedSection(sheet, m_other);
        QVERIFY(printer);
        QVERIFY(boxes(printer).isEmpty());
        QVERIFY(!printer->findChild<QLabel*>(QStringLiteral("noShares"))->isHidden());
        QVERIFY(!addButton(printer)->isEnabled());
        QVERIFY(m_store->servers().isEmpty()); // the sheet itself stores nothing
    }

    void untickingAllDisablesAddAndAddTakesTheTickedShares()
    {
        DiscoverySheet* sheet = openSheet();
        DiscoveredServerSection* office = listedSection(sheet, m_host);
        QVERIFY(office);
        for (QCheckBox* box : boxes(office))
            box->click();
        QVERIFY(names(boxes(office), true).isEmpty());
        QVERIFY(!addButton(office)->isEnabled());

        boxes(office).at(2)->click(); // Team Docs
        boxes(office).at(0)->click(); // Public
        QVERIFY(addButton(office)->isEnabled());
        addButton(office)->click();
        QVERIFY(checkMarkShown(office));
        QVERIFY(sheet->isVisible()); // the sheet stays open

        QCOMPARE(m_store->servers().size(), 1);
        const Server server = m_store->servers().first();
        QCOMPARE(server.displayName, QStringLiteral("Office Files"));
        QCOMPARE(server.host, m_host);
        QStringList stored;
        for (const Share& share : server.shares)
            stored.append(share.name);
        QCOMPARE(stored, (QStringList{QStringLiteral("Public"), QStringLiteral("Team Docs")}));
        QCOMPARE(m_view->selectedServerId(), server.id);
    }

    void addForAStoredHostShowsTheCheckMarkAndAddsNothing()
    {
        const Server mine = Server::create(QStringLiteral("My NAS"), m_host);
        m_store->addServer(mine);
        DiscoverySheet* sheet = openSheet();
        DiscoveredServerSection* office = listedSection(sheet, m_host);
        QVERIFY(office);
        addButton(office)->click();
        QVERIFY(checkMarkShown(office));
        QCOMPARE(m_store->servers(), QList<Server>{mine});
    }

    void rescanForgetsAndListsAgain()
    {
        // Stored already, so adding opens no editor (which would list the host too).
        m_store->addServer(Server::create(QStringLiteral("My NAS"), m_host));
        DiscoverySheet* sheet = openSheet();
        DiscoveredServerSection* office = listedSection(sheet, m_host);
        QVERIFY(office);
        boxes(office).at(0)->click();
        addButton(office)->click();
        QVERIFY(checkMarkShown(office));
        auto* rescan = sheet->findChild<QPushButton*>(QStringLiteral("rescan"));
        QVERIFY(!rescan->isEnabled()); // not while the search runs

        const int listings = m_lister->count(m_host);
        m_view->browser().stopSearch();
        QVERIFY(rescan->isEnabled());
        rescan->click();
        QVERIFY(m_view->browser().isSearching());
        QTRY_VERIFY(!sheet->sectionFor(m_host) || sheet->sectionFor(m_host) != office);
        office = listedSection(sheet, m_host);
        QVERIFY(office);
        QVERIFY(!checkMarkShown(office));
        QCOMPARE(names(boxes(office), true), m_shares); // every share ticked again
        QCOMPARE(m_lister->count(m_host), listings + 1);
    }

    void searchingThenNoneFound()
    {
        DiscoverySheet* sheet = openSheet();
        m_view->browser().stopSearch(); // right after the start: nothing found yet
        auto* body = sheet->findChild<QStackedWidget*>();
        QCOMPARE(body->currentWidget()->objectName(), QStringLiteral("noneFound"));
        m_view->browser().startSearch();
        QCOMPARE(body->currentWidget()->objectName(), QStringLiteral("searching"));
        QVERIFY(sheet->findChild<QWidget*>(QStringLiteral("titleBusy"))->isVisibleTo(sheet));
        QVERIFY(listedSection(sheet, m_host));
        QCOMPARE(body->currentWidget()->objectName(), QStringLiteral("serverList"));
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
        QVERIFY(m_view->browser().isSearching());
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : sheet.data(),
                        Qt::Key(key));
        QTRY_VERIFY(!sheet);
        QVERIFY(!m_view->browser().isSearching());
        QVERIFY(m_store->servers().isEmpty());

        // Opening it again starts afresh, without the servers of the last search.
        QVERIFY(!m_view->browser().discovered().isEmpty());
        const int listings = m_lister->count(m_host);
        DiscoverySheet* again = openSheet();
        QVERIFY(again);
        QVERIFY(m_view->browser().isSearching());
        QVERIFY(!again->sectionFor(m_host));
        office = listedSection(again, m_host);
        QVERIFY(office);
        QCOMPARE(names(boxes(office), true), m_shares);
        QCOMPARE(m_lister->count(m_host), listings + 1);
    }
    // With TARNWICK_SCREENSHOT_DIR set, saves the settings screenshots shown in the README.
    void screenshots_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("language");
        QTest::newRow("English") << QLocale(QLocale::English) << QStringLiteral("en");
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany)
                                << QStringLiteral("de");
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
            QVERIFY(
                widget->grab().save(QStringLiteral("%1/%2-%3.png").arg(target, name, language)));
        };

        Server office = Server::create(QStringLiteral("Office Files"), m_host);
        office.shares = {Share::create(QStringLiteral("Public")),
                         Share::create(QStringLiteral("Team Docs"))};
        Server backup = Server::create(QStringLiteral("Backup"), QStringLiteral("backup.local"));
        backup.isEnabled = false;
        m_store->setServers({office, backup, Server::create(QString(), QString())});
        auto* window = new SettingsWindow(*m_store, *m_settings, m_lister);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window));
        save(window, QStringLiteral("settings-servers"));

        window->serversView()->setSelectedServerId(office.id);
        QTRY_VERIFY_WITH_TIMEOUT(window->serversView()->editor()->shareArea() ==
                                     ServerEditView::ShareArea::Shares,
                                 discoveryTimeout);
        save(window, QStringLiteral("settings-editor"));

        window->tabs()->setCurrentIndex(1);
        save(window, QStringLiteral("settings-general"));

        window->tabs()->setCurrentIndex(0);
        window->serversView()->setSelectedServerId(QUuid());
        window->findChild<QToolButton*>(QStringLiteral("discover"))->click();
        DiscoverySheet* sheet = window->serversView()->discoverySheet();
        QVERIFY(listedSection(sheet, m_host));
        QVERIFY(listedSection(sheet, m_other));
        save(sheet, QStringLiteral("discovery-sheet"));

        delete window;
        Translations::uninstall(*qApp);
    }
};

QTEST_MAIN(TestDiscoverySheet)
#include "tst_discovery_sheet.moc"
