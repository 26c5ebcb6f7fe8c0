#include "discovery/bonjour_browser.h"
#include "discovery/share_lister.h"
#include "log_capture.h"
#include "model/app_settings.h"
#include "model/share_store.h"
#include "platform/profile_factory.h"
#include "settings/discovered_server_section.h"
#include "settings/discovery_sheet.h"
#include "settings/general_settings_view.h"
#include "settings/login_item.h"
#include "settings/server_edit_view.h"
#include "settings/server_list_widget.h"
#include "settings/servers_view.h"
#include "settings/settings_window.h"
#include "shell/translations.h"
#include "shell/tray_application.h"
#include "style/share_check_list.h"
#include "style/style.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMutex>
#include <QProcess>
#include <QPushButton>
#include <QSaveFile>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolButton>

using namespace tarnwick;
using Area = ServerEditView::ShareArea;

// Answers from shares or the real lister; records the hosts asked; while held, waits.
struct FakeShareLister : ShareLister {
    std::shared_ptr<const ShareLister> real;
    QHash<QString, ShareListing> shares;
    std::atomic<bool> held = false;
    mutable QMutex mutex;
    mutable QStringList asked;

    ShareListing listing(const QString& host) const override
    {
        QMutexLocker lock(&mutex);
        asked.append(host);
        lock.unlock();
        while (held)
            QThread::msleep(5);
        return real ? real->listing(host) : shares.value(host);
    }
};

// Over a real store and settings file in a home per row; the real share lister and browser
// see the rig's "Office Files" on office.local (Samba) and "Printer Room" on other.local.
class TestSettingsWindow : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_home;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<ShareStore> m_store;
    std::shared_ptr<FakeShareLister> m_lister;
    std::unique_ptr<QWidget> m_view;
    const QString m_host = u"office.local"_qs;

    // host at address, with an SMB service called name
    bool publish(const QString& host, const QString& address, const QString& name)
    {
        for (const QStringList& args :
             {QStringList{u"-a"_qs, u"-R"_qs, host, address},
              QStringList{u"-s"_qs, u"-H"_qs, host, name, u"_smb._tcp"_qs, u"445"_qs}}) {
            auto* process = new QProcess(this);
            process->setProcessChannelMode(QProcess::MergedChannels);
            process->start(u"stdbuf"_qs, QStringList{u"-oL"_qs, u"avahi-publish"_qs} + args);
            QByteArray out;
            while (!out.contains("Established") && process->waitForReadyRead(10000))
                out += process->readAll();
            if (!out.contains("Established"))
                return false;
        }
        return true;
    }
    Server add(const QString& name, const QString& host, const QStringList& shares = {})
    {
        Server server = Server::create(name, host);
        for (const QString& share : shares)
            server.shares.append(Share::create(share));
        m_store->addServer(server);
        return server;
    }
    Server stored() const { return m_store->servers().value(0); } // of the editor
    QStringList calls() const { return QMutexLocker(&m_lister->mutex), m_lister->asked; }
    template <typename View> View* open(View* view)
    {
        m_view.reset(view);
        view->show();
        view->activateWindow();
        return QTest::qWaitForWindowActive(view) ? view : nullptr;
    }
    ServersView* servers() { return open(new ServersView(*m_store, m_lister)); }
    template <typename T = QWidget> T* find(const char* name) const
    {
        return m_view->findChild<T*>(QLatin1StringView(name));
    }
    ServerListWidget* list() const { return m_view->findChild<ServerListWidget*>(); }
    void click(int row)
    {
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {},
                          list()->visualItemRect(list()->item(row)).center());
    }
    auto* box(const QString& name) const { return find<ShareCheckList>("shareBoxes")->box(name); }
    // The editor's share area as the user sees it, and whether refresh is on.
    QString shareArea() const
    {
        auto* label = find<QLabel>("shareMessage");
        const Area area = static_cast<ServerEditView*>(m_view.get())->shareArea();
        return (label->isVisible() ? label->text() : QVariant::fromValue(area).toString()) +
               (find("refresh")->isEnabled() ? u" +"_qs : u" -"_qs);
    }
    void typeHost(const QString& text) // replaces the field's text key by key
    {
        find<QLineEdit>("host")->selectAll();
        QTest::keyClick(find("host"), Qt::Key_Backspace);
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, find("host"), Qt::Key_unknown, QString(c), {});
    }
    DiscoverySheet* openSheet(ServersView* view)
    {
        view->findChild<QToolButton*>(u"discover"_qs)->click();
        return view->discoverySheet();
    }
    // The share boxes of host's section once its shares are listed; null while not.
    static ShareCheckList* listed(DiscoverySheet* sheet, const QString& host)
    {
        const auto boxes = [&]() -> ShareCheckList* {
            DiscoveredServerSection* section = sheet->sectionFor(host);
            auto* list = section ? section->findChild<ShareCheckList*>() : nullptr;
            const bool done = list && (!list->isHidden() ||
                                       !section->findChild<QLabel*>(u"noShares"_qs)->isHidden());
            return done ? list : nullptr;
        };
        return QTest::qWaitFor([&] { return boxes(); }, 20000) ? boxes() : nullptr;
    }
    // Whether pixmap has more than a few pixels of color c.
    static bool shows(const QPixmap& pixmap, const QColor& c)
    {
        const QImage image = pixmap.toImage();
        int count = 0;
        for (int i = 0; i < image.width() * image.height(); ++i) {
            const QColor p = image.pixelColor(i % image.width(), i / image.width());
            const int off =
                qAbs(p.red() - c.red()) + qAbs(p.green() - c.green()) + qAbs(p.blue() - c.blue());
            count += p.alpha() > 100 && off < 16;
        }
        return count > 5;
    }
    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    static bool write(const QString& path, const QByteArray& contents)
    {
        QSaveFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(contents) > 0 && file.commit();
    }

private Q_SLOTS:
    void initTestCase()
    {
        Translations::install(*qApp, QLocale(QLocale::English));
        const QString smb = qEnvironmentVariable("TARNWICK_SMB_HOST");
        QVERIFY2(!smb.isEmpty(), "needs smbd-rig.sh");
        QVERIFY(publish(m_host, smb, u"Office Files"_qs));
        QVERIFY(publish(u"other.local"_qs, u"127.0.0.2"_qs, u"Printer Room"_qs));
    }
    void init()
    {
        m_home = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + u'.' +
                                QString::fromLatin1(QTest::currentDataTag()));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home));
        m_settings = AppSettings::open(m_home + u".conf"_qs);
        m_store = std::make_unique<ShareStore>(*m_settings);
        m_lister = std::make_shared<FakeShareLister>();
    }
    void cleanup()
    {
        m_lister->held = false;
        m_view.reset();
        QApplication::setPalette(QPalette());
    }

    // Each opening: Servers tab, nothing selected; rows and buttons in the theme's colours
    // (also after a switch), named for screen readers; closed by the window manager or keys.
    void windowShowsTheServersTabAndClosesFromTheKeyboard_data()
    {
        QTest::addColumn<QKeySequence>("keys"); // empty: closed by the window manager
        QTest::addColumn<bool>("switchTheme");
        QTest::newRow("close") << QKeySequence() << false;
        QTest::newRow("Escape, theme switched") << QKeySequence(Qt::Key_Escape) << true;
        QTest::newRow("Ctrl+W") << QKeySequence(Qt::CTRL | Qt::Key_W) << false;
    }
    void windowShowsTheServersTabAndClosesFromTheKeyboard()
    {
        QFETCH(QKeySequence, keys);
        QFETCH(bool, switchTheme);
        const Server nas = add(u"NAS"_qs, u"nas"_qs);
        for (int opening = 0; opening < 2; ++opening) {
            m_store->updateServer(nas);
            QPointer<SettingsWindow> window =
                open(new SettingsWindow(*m_store, *m_settings, m_lister));
            QCOMPARE(window->tabs()->currentIndex(), 0);
            QVERIFY(window->serversView()->selectedServerId().isNull());
            if (switchTheme) {
                QPalette dark = QApplication::palette();
                dark.setColor(QPalette::ButtonText, QColor(0xe0, 0xe0, 0x20));
                dark.setColor(QPalette::Highlight, QColor(0x20, 0xc0, 0x40));
                QApplication::setPalette(dark);
            }
            const QPalette colours = QApplication::palette();
            QWidget* first = list()->itemWidget(list()->item(0));
            QTRY_VERIFY(
                shows(first->findChild<QLabel*>(u"symbol"_qs)->pixmap(), Style::accent(colours)));
            const char* buttons[][2] = {{"addServer", "servers.add_server_help"},
                                        {"removeServer", "servers.remove_server_help"},
                                        {"discover", "servers.discover_help"}};
            for (const auto& [name, key] : buttons) {
                QCOMPARE(find(name)->accessibleName() + find(name)->toolTip(),
                         qtTrId(key) + qtTrId(key));
                QVERIFY(shows(find<QToolButton>(name)->icon().pixmap(14),
                              colours.color(QPalette::ButtonText)));
            }
            QCOMPARE(find("interval")->accessibleName(), qtTrId("general.interval_label"));
            QAccessibleInterface* item = QAccessible::queryAccessibleInterface(list())->child(0);
            QCOMPARE(item->text(QAccessible::Name), u"NAS, nas"_qs);

            window->serversView()->setSelectedServerId(nas.id);
            window->tabs()->setCurrentIndex(1);
            m_view.release(); // it deletes itself when closed
            if (keys.isEmpty())
                window->close();
            else
                QTest::keySequence(window->focusWidget(), keys);
            QTRY_VERIFY(!window);
        }
    }

    // Each selection of another server gets an editor of its own, listing that server's shares.
    // A discovered host equivalent to a stored one is not added again (nor merged into it).
    void selectingAndAddingServers_data()
    {
        QTest::addColumn<QString>("discoveredHost");
        QTest::addColumn<bool>("added");
        QTest::newRow("same characters") << u"caf\u00e9.local"_qs << false;
        QTest::newRow("canonically equivalent") << u"cafe\u0301.local"_qs << false;
        QTest::newRow("other letter case") << u"CAF\u00c9.local"_qs << true;
        QTest::newRow("with a blank") << u"caf\u00e9.local "_qs << true;
    }
    void selectingAndAddingServers()
    {
        QFETCH(QString, discoveredHost);
        QFETCH(bool, added);
        m_lister->shares.insert(u"a"_qs, {{u"Public"_qs}});
        add(u"A"_qs, u"a"_qs);
        const Server existing = add(u"Cafe"_qs, u"caf\u00e9.local"_qs);
        ServersView* view = servers();
        click(0);
        QPointer<ServerEditView> first = view->editor();
        QTRY_COMPARE(first->shareArea(), Area::Shares);
        QTest::keyClicks(find("displayName"), u"x"_qs);
        QCOMPARE(view->editor(), first.data()); // same server: the editor stays
        click(1);
        QCOMPARE(view->editor()->serverId(), existing.id);
        QTRY_VERIFY(!first);
        click(0);
        QTRY_COMPARE(view->editor()->shareArea(), Area::Shares);
        QCOMPARE(calls(), (QStringList{u"a"_qs, existing.host, u"a"_qs}));

        view->setSelectedServerId(existing.id);
        view->addDiscoveredServer({QUuid::createUuid(), u"Found"_qs, discoveredHost, 445},
                                  {u"Media"_qs, u"Public"_qs});
        QCOMPARE(m_store->servers().value(1), existing);
        QCOMPARE(m_store->servers().size(), added ? 3 : 2);
        const Server server = m_store->servers().last();
        QCOMPARE(view->editor()->serverId(), server.id);
        QVERIFY(!added ||
                server == (Server{server.id, u"Found"_qs, discoveredHost, server.shares, true}));
        QVERIFY(!added || server.shares.value(1).name == u"Public"_qs);
    }

    // Listed shares sorted, verbatim, ticked as stored; every tick and keystroke stored at
    // once, the name trimmed.
    // A blank host never lists; the trimmed host is listed once until it changes; editing it
    // abandons a listing under way, whose late result is dropped.
    void editorStoresEditsAtOnceAndDropsALateListing()
    {
        const QString ecole = u"e\u0301cole"_qs; // sorts by its composed form, after ASCII
        m_lister->shares = {{u"nas"_qs, {{u"media"_qs, ecole, u"R&D"_qs, u"Public"_qs}}},
                            {u"old"_qs, {{u"Stale"_qs}}},
                            {u"nas.local"_qs, {{}, ShareListing::Failure::LoginRefused}}};
        const Server server =
            add(qtTrId("server.new_name"), u"nas"_qs, {u"Public"_qs, u"Public"_qs, u"Old"_qs});
        open(new ServerEditView(server, *m_store, m_lister));
        QTRY_COMPARE(shareArea(), u"Shares +"_qs);
        // "Old", stored but not listed, stays listed after it is unticked (and removed).
        QCOMPARE(find<ShareCheckList>("shareBoxes")->names(),
                 (QStringList{u"Public"_qs, u"R&D"_qs, u"media"_qs, ecole, u"Old"_qs}));
        QVERIFY(box(u"Public"_qs)->isChecked() && !box(u"media"_qs)->isChecked());
        box(u"Public"_qs)->click(); // removes the first of that name only
        box(u"Old"_qs)->click();
        QVERIFY(stored().shares == server.shares.mid(1, 1) && !box(u"Old"_qs)->isChecked());
        box(u"R&D"_qs)->click();
        const QList<Share> shares = stored().shares;
        QCOMPARE(shares.last(), (Share{shares.last().id, u"R&D"_qs, QString()}));
        QCOMPARE(shares.size(), 2);
        QTest::keyClicks(find("displayName"), u"\u00a0N2 "_qs);
        QCOMPARE(stored(), (Server{server.id, u"N2"_qs, u"nas"_qs, shares, true}));
        find<QCheckBox>("enabled")->click();
        QCOMPARE(stored(), (Server{server.id, u"N2"_qs, u"nas"_qs, shares, false}));
        // Any network until some are chosen; the choice outlives a switch to any and back.
        auto* connectOn = find<QComboBox>("connectOn");
        connectOn->setCurrentIndex(1);
        for (const QString& name : {u" home "_qs, u"Cafe"_qs, u"home"_qs}) {
            find<QLineEdit>("networkName")->setText(name);
            QTest::keyClick(find("networkName"), Qt::Key_Return);
        }
        find<ShareCheckList>("networkBoxes")->box(u"Cafe"_qs)->click();
        QCOMPARE(stored().networks, QStringList{u"home"_qs});
        connectOn->setCurrentIndex(0);
        QCOMPARE(stored().networks, QStringList());
        connectOn->setCurrentIndex(1);
        QCOMPARE(stored().networks, QStringList{u"home"_qs});

        const QString hint = qtTrId("add_server.shares_hint") + u" +"_qs;
        typeHost(u"  "_qs);
        QTest::keyClick(find("host"), Qt::Key_Return);
        QCOMPARE(shareArea(), qtTrId("server.shares.enter_host_first") + u" -"_qs);
        typeHost(u" nas.local\u2003"_qs);
        QCOMPARE(stored().host, u"nas.local"_qs);
        QCOMPARE(calls().size(), 1); // typing alone lists nothing
        QTest::keyClick(find("host"), Qt::Key_Return);
        QTRY_COMPARE(shareArea(), qtTrId("server.shares.login_refused") + u" +"_qs);
        // A share the host does not list is added by name: usable, not stored yet.
        for (const QString& name : {u"R&D"_qs, u"a/b"_qs, u" Hidden$ "_qs}) {
            find<QLineEdit>("shareName")->setText(name);
            QCOMPARE(find("addShare")->isEnabled(), name.startsWith(u' '));
        }
        QTest::keyClick(find("shareName"), Qt::Key_Return);
        QVERIFY(stored().shares.last().name == u"Hidden$"_qs && box(u"Hidden$"_qs)->isChecked());
        find<QToolButton>("refresh")->click();
        QCOMPARE(calls(), (QStringList{u"nas"_qs, u"nas.local"_qs}));

        m_lister->held = true;
        typeHost(u"old"_qs);
        find<QToolButton>("refresh")->click();
        QCOMPARE(shareArea(), u"Loading -"_qs);
        typeHost(u"new"_qs);
        QCOMPARE(shareArea(), hint);
        QTRY_COMPARE(calls().size(), 3);
        m_lister->held = false;
        QTest::qWait(50); // let the dropped result arrive; nothing may change
        QCOMPARE(shareArea(), hint);
    }

    // Shown as stored without writing back, also when changed elsewhere; stored as the user
    // sets it, the slider only when moved, in steps of 30 s from 30 to 600; the autostart
    // entry written and removed by the toggle alone, failures logged, the toggle kept.
    void generalTabShowsAndStoresTheSettings_data()
    {
        QTest::addColumn<QByteArray>("stored"); // empty: nothing stored
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QByteArray>("entry"); // empty: none; "folder": a folder blocks it
        QTest::addColumn<bool>("launch");
        const QByteArray gnomeOff = "[Desktop Entry]\nExec=t\nX-GNOME-Autostart-enabled=false\n";
        QTest::newRow("nothing") << QByteArray() << u"120 s"_qs << QByteArray() << false;
        QTest::newRow("fraction") << QByteArray("45.9") << u"45 s"_qs
                                  << LoginItem::entryContents(u"/usr/bin/t"_qs) << true;
        QTest::newRow("not a number") << QByteArray("soon") << u"120 s"_qs << gnomeOff << false;
        QTest::newRow("beyond 64 bits")
            << QByteArray("1e19") << u"\u2013 s"_qs << QByteArray("folder") << false;
    }
    void generalTabShowsAndStoresTheSettings()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, shown);
        QFETCH(QByteArray, entry);
        QFETCH(bool, launch);
        QSettings& settings = *m_settings;
        const QByteArray file = stored.isEmpty() ? stored : "[General]\nmountInterval=" + stored;
        QVERIFY(stored.isEmpty() || write(settings.fileName(), file));
        settings.sync();
        const QString path = m_home + u"/autostart/tarnwick.desktop"_qs;
        QVERIFY(entry.isEmpty() ||
                QDir().mkpath(entry == "folder" ? path : m_home + u"/autostart"_qs));
        QVERIFY(entry.isEmpty() || entry == "folder" || write(path, entry));
        test::LogCapture log;
        open(new GeneralSettingsView(settings)); // read when the tab is created
        QCOMPARE(find<QLabel>("intervalValue")->text(), shown);
        auto* toggle = find<QCheckBox>("launchAtLogin");
        QCOMPARE(toggle->isChecked(), launch);
        settings.sync();
        QCOMPARE(read(settings.fileName()), file);
        QCOMPARE(read(path), entry == "folder" ? QByteArray() : entry); // opening touches nothing

        toggle->click();
        const QByteArray exec = "\nExec=" + QCoreApplication::applicationFilePath().toUtf8();
        QVERIFY(entry == "folder" || read(path).contains(exec + '\n') != launch);
        toggle->click();
        QCOMPARE(toggle->isChecked(), launch);
        QCOMPARE(log.lines().filter(u"[Tarnwick] LoginItem error: "_qs).size(),
                 entry == "folder" ? 2 : 0);

        QTest::qWait(20); // a new modification time, so QSettings sees the change
        const QByteArray elsewhere = "[General]\nmountInterval=270\nkeepMountedOnQuit=true";
        QVERIFY(write(settings.fileName(), elsewhere));
        QTRY_COMPARE(find<QLabel>("intervalValue")->text(), u"270 s"_qs);
        QTRY_VERIFY(find<QCheckBox>("keepMountedOnQuit")->isChecked());
        QCOMPARE(read(settings.fileName()), elsewhere); // showing it wrote nothing back
        find<QCheckBox>("keepMountedOnQuit")->click();
        QCOMPARE(settings.value(AppSettings::keepMountedOnQuitKey), QVariant(false));
        auto* slider = find<QSlider>("interval");
        slider->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(find<QLabel>("intervalValue")->text(), u"30 s"_qs);
        QCOMPARE(slider->maximum() - slider->minimum(), 19); // 30 to 600 in steps of 30
        for (int i = slider->minimum(); i <= slider->maximum(); ++i) {
            slider->setValue(i);
            QCOMPARE(settings.value(AppSettings::mountIntervalKey).toDouble(),
                     (i - slider->minimum() + 1) * 30.0);
        }
    }

    // Sections with every share ticked; add stores the ticked ones and shows the check mark;
    // Return (Done) and Escape close the sheet and stop the search; it opens afresh.
    void discoverySheetAddsTickedSharesAndStopsTheSearch()
    {
        m_lister->real = ProfileFactory::createShareLister();
        ServersView* view = servers();
        QPointer<DiscoverySheet> sheet = openSheet(view);
        ShareCheckList* office = listed(sheet, m_host);
        QVERIFY(office);
        QCOMPARE(office->names(), (QStringList{u"Public"_qs, u"Quarterly Reports 2024"_qs,
                                               u"Team Docs"_qs, u"archive"_qs})); // each once
        for (QCheckBox* box : office->boxes())
            QVERIFY(box->isChecked());
        auto* section = sheet->sectionFor(m_host);
        auto* add = section->findChild<QPushButton*>(u"add"_qs);
        office->boxes().at(1)->click(); // Quarterly Reports 2024
        office->boxes().at(3)->click(); // archive
        QVERIFY(m_store->servers().isEmpty());
        add->click();
        QVERIFY(sheet->isVisible() && add->isHidden());
        QVERIFY(!section->findChild<QLabel*>(u"added"_qs)->isHidden());
        const QList<Server> added = m_store->servers(); // one, with the two ticked shares
        QCOMPARE(added.size() + added.value(0).shares.size(), 3);
        QCOMPARE(added[0].displayName + added[0].shares[0].name + added[0].shares[1].name,
                 u"Office FilesPublicTeam Docs"_qs);
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            sheet->findChild<QCheckBox*>()->setFocus(); // Return is the sheet's, not the box's
            QTest::keyClick(QApplication::focusWidget(), key);
            QTRY_VERIFY(!sheet);
            QVERIFY(!view->browser().isSearching());
            sheet = openSheet(view);
            QVERIFY(!sheet->sectionFor(m_host) && listed(sheet, m_host));
        }
    }

    // With TARNWICK_SCREENSHOT_DIR set, saves the settings screenshots shown in the README.
    void screenshots()
    {
        const QString target = qEnvironmentVariable("TARNWICK_SCREENSHOT_DIR");
        if (target.isEmpty())
            QSKIP("TARNWICK_SCREENSHOT_DIR not set");
        m_lister->real = ProfileFactory::createShareLister();
        QCoreApplication::setApplicationVersion(QStringLiteral(TARNWICK_VERSION));
        const Server office =
            add(u"Office Files"_qs, m_host, {u"Public"_qs, u"Team Docs"_qs, u"Scans$"_qs});
        m_store->addServer(
            Server{QUuid::createUuid(), u"Backup"_qs, u"backup.local"_qs, {}, false});
        for (const QLocale& locale : {QLocale(QLocale::English), QLocale(QLocale::German)}) {
            Translations::install(*qApp, locale);
            const auto save = [&](QWidget* widget, const char* name) {
                QTest::qWait(100); // let the layouts settle
                QVERIFY(widget->grab().save(u"%1/%2-%3.png"_qs.arg(target, QLatin1StringView(name),
                                                                   locale.name().left(2))));
            };
            auto* window = open(new SettingsWindow(*m_store, *m_settings, m_lister));
            save(window, "settings-servers");
            window->serversView()->setSelectedServerId(office.id);
            QTRY_VERIFY_WITH_TIMEOUT(window->serversView()->editor()->shareArea() == Area::Shares,
                                     20000);
            save(window, "settings-editor");
            window->tabs()->setCurrentIndex(1);
            save(window, "settings-general");
            DiscoverySheet* sheet = openSheet(window->serversView());
            QVERIFY(listed(sheet, m_host) && listed(sheet, u"other.local"_qs));
            save(sheet, "discovery-sheet");
            Translations::uninstall(*qApp);
        }
    }

    // A first start (no settings file) leads to the search for servers, once: the next start
    // finds the file it left, though the list is still empty.
    void firstStartOpensTheServerSearchOnce()
    {
        const QString path = m_dir.filePath(u"first-start.conf"_qs);
        for (const bool first : {true, false}) {
            QPointer<SettingsWindow> window;
            TrayServices services;
            services.systemBus = services.sessionBus = QDBusConnection(u"no bus"_qs);
            services.trayGrace = services.timing.startupDelay = services.timing.defaultInterval =
                services.timing.refreshPeriod = std::chrono::hours(1);
            services.settingsWindow = [&](ShareStore& store, QSettings& settings,
                                          MountManager* manager) -> QWidget* {
                return window = new SettingsWindow(store, settings, m_lister, manager);
            };
            TrayApplication tray(AppSettings::open(path), ProfileFactory::create(m_dir.path()),
                                 std::move(services));
            tray.start();
            QCOMPARE(!window.isNull(), first);
            if (!first)
                break;
            QCOMPARE(window->tabs()->currentWidget(), window->serversView());
            QVERIFY(window->serversView()->discoverySheet());
            QVERIFY(window->serversView()->browser().isSearching());
            QVERIFY(tray.store().servers().isEmpty() && QFileInfo::exists(path));
        }
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "tst_settings_window.moc"
