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
#include "style/share_check_list.h"
#include "style/style.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMutex>
#include <QProcess>
#include <QPushButton>
#include <QSaveFile>
#include <QSignalSpy>
#include <QSlider>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QToolButton>
#include <QTranslator>

using namespace tarnwick;
using Area = ServerEditView::ShareArea;

namespace {

// Answers from shares (set before a listing starts) or from the real lister behind it;
// records the hosts asked for; while held, listings wait.
struct FakeShareLister : ShareLister {
    std::shared_ptr<const ShareLister> real;
    QHash<QString, QStringList> shares;
    std::atomic<bool> held = false;
    mutable QMutex mutex;
    mutable QStringList asked;

    QStringList listShares(const QString& host) const override
    {
        {
            const QMutexLocker lock(&mutex);
            asked.append(host);
        }
        while (held)
            QThread::msleep(5);
        return real ? real->listShares(host) : shares.value(host);
    }
    QStringList calls() const
    {
        const QMutexLocker lock(&mutex);
        return asked;
    }
};

// A store over a fresh settings file, and a fake share lister.
struct SettingsFixture {
    QTemporaryDir dir;
    std::unique_ptr<QSettings> settings = AppSettings::open(dir.filePath(u"t.conf"_qs));
    ShareStore store{*settings};
    std::shared_ptr<FakeShareLister> lister = std::make_shared<FakeShareLister>();

    Server add(const QString& name, const QString& host, const QStringList& shares = {})
    {
        Server server = Server::create(name, host);
        for (const QString& share : shares)
            server.shares.append(Share::create(share));
        store.addServer(server);
        return server;
    }
};

} // namespace

// The settings window, its tabs, the server editor and the discovery sheet over a real store
// and settings file, with a configuration home of each test row's own; the share lister is a
// fake, or the real one in front of the real avahi-daemon and Samba server of the rig
// (tests/support/avahi-env.sh, smbd-rig.sh): "Office Files" is published on office.local,
// which resolves to the Samba server, "Printer Room" on other.local, where nothing answers.
class TestSettingsWindow : public QObject {
    Q_OBJECT

    // Gives "general.interval_value" the pattern a test sets, whatever tables are loaded.
    struct IntervalFormat : QTranslator {
        QString pattern;
        QString translate(const char*, const char* key, const char*, int) const override
        {
            return qstrcmp(key, "general.interval_value") == 0 ? pattern : QString();
        }
        bool isEmpty() const override { return false; }
    } m_format;
    QTemporaryDir m_dir;
    QString m_home;
    std::unique_ptr<SettingsFixture> m_fx;
    std::unique_ptr<QWidget> m_view;
    Server m_server;
    std::vector<std::unique_ptr<QProcess>> m_publishers;
    const QString m_host = u"office.local"_qs;
    const QStringList m_shares{u"Public"_qs, u"Quarterly Reports 2024"_qs, u"Team Docs"_qs,
                               u"archive"_qs};

    bool publish(const QStringList& args)
    {
        auto& process = m_publishers.emplace_back(std::make_unique<QProcess>());
        process->setProcessChannelMode(QProcess::MergedChannels);
        process->start(u"stdbuf"_qs, QStringList{u"-oL"_qs, u"avahi-publish"_qs} + args);
        QByteArray seen;
        return QTest::qWaitFor(
            [&] {
                return process->waitForReadyRead(50),
                       (seen += process->readAll()).contains("Established");
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
        const auto done = [&] {
            DiscoveredServerSection* section = sheet->sectionFor(host);
            boxes = section ? section->findChild<ShareCheckList*>() : nullptr;
            return boxes &&
                   (!boxes->isHidden() || !section->findChild<QLabel*>(u"noShares"_qs)->isHidden());
        };
        return QTest::qWaitFor(done, 20000) ? boxes : nullptr;
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
    ServersView* discovering() // the Servers tab with the real share lister
    {
        m_fx->lister->real = ProfileFactory::createShareLister();
        return servers();
    }

    template <typename View> View* open(View* view)
    {
        m_view.reset(view);
        view->show();
        view->activateWindow();
        return QTest::qWaitForWindowActive(view) ? view : nullptr;
    }
    ServersView* servers() { return open(new ServersView(m_fx->store, m_fx->lister)); }
    void editor(const QString& host, const QStringList& shares = {})
    {
        m_server = m_fx->add(qtTrId("server.new_name"), host, shares);
        open(new ServerEditView(m_server, m_fx->store, m_fx->lister));
    }
    template <typename T = QWidget> T* find(const char* name) const
    {
        return m_view->findChild<T*>(QLatin1StringView(name));
    }
    ServerListWidget* list() const { return m_view->findChild<ServerListWidget*>(); }
    QLabel* row(const char* name) const
    {
        return list()->itemWidget(list()->item(0))->findChild<QLabel*>(QLatin1StringView(name));
    }
    QPoint rowCentre(int row) const { return list()->visualItemRect(list()->item(row)).center(); }
    void click(int row, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mouseClick(list()->viewport(), button, {}, rowCentre(row));
    }
    QCheckBox* box(const QString& name) const
    {
        return find<ShareCheckList>("shareBoxes")->box(name);
    }
    // The editor's share area as the user sees it, and whether refresh is on.
    QString shareArea() const
    {
        auto* label = find<QLabel>("shareMessage");
        const Area area = static_cast<ServerEditView*>(m_view.get())->shareArea();
        return (label->isVisible() ? label->text() : QVariant::fromValue(area).toString()) +
               (find("refresh")->isEnabled() ? u" +"_qs : u" -"_qs);
    }
    QStringList calls() const { return m_fx->lister->calls(); }
    void typeHost(const QString& text) // replaces the field's text key by key
    {
        find<QLineEdit>("host")->selectAll();
        QTest::keyClick(find("host"), Qt::Key_Backspace);
        for (QChar c : text)
            QTest::sendKeyEvent(QTest::Click, find("host"), Qt::Key_unknown, QString(c), {});
    }
    void trigger(const QString& how) // each way of asking for the shares of the host typed
    {
        if (how == u"Return")
            QTest::keyClick(find("host"), Qt::Key_Return);
        else if (how == u"refresh")
            find<QToolButton>("refresh")->click();
        else if (how == u"focus loss")
            find("displayName")->setFocus();
        m_view->setVisible(how != u"show");
        m_view->show();
        find("host")->setFocus();
        QTest::qWait(0);
    }
    // Whether pixmap has clearly drawn pixels of color.
    static bool shows(const QPixmap& pixmap, const QColor& color)
    {
        const QImage image = pixmap.toImage();
        int count = 0;
        for (int i = 0; i < image.width() * image.height(); ++i) {
            const QColor pixel = image.pixelColor(i % image.width(), i / image.width());
            count += pixel.alpha() > 100 && qAbs(pixel.red() - color.red()) < 8 &&
                     qAbs(pixel.green() - color.green()) < 8 &&
                     qAbs(pixel.blue() - color.blue()) < 8;
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
        QCoreApplication::installTranslator(&m_format);
        QVERIFY2(!qEnvironmentVariableIsEmpty("TARNWICK_SMB_HOST"), "needs smbd-rig.sh");
        QVERIFY(publish({u"-a"_qs, u"-R"_qs, m_host, qEnvironmentVariable("TARNWICK_SMB_HOST")}));
        QVERIFY(
            publish({u"-s"_qs, u"-H"_qs, m_host, u"Office Files"_qs, u"_smb._tcp"_qs, u"445"_qs}));
        QVERIFY(publish({u"-a"_qs, u"-R"_qs, u"other.local"_qs, u"127.0.0.2"_qs}));
        QVERIFY(publish({u"-s"_qs, u"-H"_qs, u"other.local"_qs, u"Printer Room"_qs, u"_smb._tcp"_qs,
                         u"445"_qs}));
    }
    void init()
    {
        m_home = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()) + u'.' +
                                QString::fromLatin1(QTest::currentDataTag()));
        QDir().mkpath(m_home);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home));
        m_fx = std::make_unique<SettingsFixture>();
    }
    void cleanup()
    {
        m_fx->lister->held = false;
        m_view.reset();
        m_fx.reset();
        QApplication::setPalette(QPalette());
    }

    // Each opening: fixed size, Servers tab first, nothing selected; row, buttons and tabs in
    // the theme's colours (also after a switch while open) with names for screen readers;
    // closed by the window manager or from the keyboard, discarding the content.
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
        const Server nas = m_fx->add(u"NAS"_qs, u"nas"_qs);
        for (int opening = 0; opening < 2; ++opening) {
            store().updateServer(nas);
            QPointer<SettingsWindow> window =
                open(new SettingsWindow(m_fx->store, *m_fx->settings, m_fx->lister));
            QCOMPARE(window->size(), QSize(600, 540));
            QCOMPARE(window->minimumSize(), window->maximumSize());
            QCOMPARE(window->tabs()->currentIndex(), 0);
            QVERIFY(window->serversView()->selectedServerId().isNull());
            if (switchTheme) {
                QPalette dark = QApplication::palette();
                dark.setColor(QPalette::WindowText, QColor(0xf0, 0xf0, 0xf0));
                dark.setColor(QPalette::ButtonText, QColor(0xe0, 0xe0, 0x20));
                dark.setColor(QPalette::Highlight, QColor(0x20, 0xc0, 0x40));
                QApplication::setPalette(dark);
            }
            const QPalette colours = QApplication::palette();
            const QColor secondary = Style::secondaryText(colours);
            QTRY_VERIFY(shows(row("symbol")->pixmap(), Style::accent(colours)));
            QVERIFY(!shows(row("symbol")->pixmap(), secondary));
            QVERIFY(shows(find<QLabel>("placeholderSymbol")->pixmap(), secondary));
            QVERIFY(shows(window->tabs()->tabIcon(1).pixmap(16), Style::text(colours)));
            QCOMPARE(row("host")->palette().color(row("host")->foregroundRole()), secondary);
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
            QCOMPARE(row("name")->text() + row("host")->text(), u"NASnas"_qs);
            // Empty texts get their fallbacks, a disabled server the secondary colour.
            store().updateServer(Server{nas.id, QString(), QString(), {}, false});
            const QStringList texts{qtTrId("server.new_name"), qtTrId("server.no_host"),
                                    qtTrId("servers.row_disabled")};
            QCOMPARE(item->text(QAccessible::Name), texts.join(u", "));
            QCOMPARE((QStringList{row("name")->text(), row("host")->text()}), texts.mid(0, 2));
            QVERIFY(shows(row("symbol")->pixmap(), secondary));

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

    void plusAddsAndRemovingClearsTheSelection_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("remaining"); // position of the server left
        QTest::newRow("minus") << u"minus"_qs << 1;
        QTest::newRow("Delete key") << u"key"_qs << 1;
        QTest::newRow("menu of an unselected row") << u"menu"_qs << 0;
        QTest::newRow("removed elsewhere") << u"store"_qs << 1;
    }
    void plusAddsAndRemovingClearsTheSelection()
    {
        QFETCH(QString, how);
        QFETCH(int, remaining);
        ServersView* view = servers();
        for (int i = 0; i < 2; ++i) { // a default server at the end, selected
            find<QToolButton>("addServer")->click();
            const Server added = store().servers().value(i);
            QCOMPARE(added, (Server{added.id, qtTrId("server.new_name"), {}, {}, true}));
            QCOMPARE(store().servers().size(), i + 1);
            QCOMPARE(view->editor()->serverId(), added.id);
            QVERIFY(list()->item(i)->isSelected() && find("removeServer")->isEnabled());
        }
        const QList<Server> before = store().servers();
        click(0);
        QVERIFY(list()->item(0)->isSelected() && !list()->item(1)->isSelected());
        if (how == u"minus") {
            find<QToolButton>("removeServer")->click();
        } else if (how == u"key") {
            QTest::keyClick(list(), Qt::Key_Delete);
        } else if (how == u"menu") { // a right click opens the row's menu without selecting it
            click(1, Qt::RightButton);
            QCOMPARE(view->selectedServerId(), before.at(0).id);
            std::unique_ptr<QMenu> menu(list()->createRowMenu(rowCentre(1)));
            QCOMPARE(menu->actions().size(), 1);
            QCOMPARE(menu->actions().first()->text(), qtTrId("servers.delete"));
            menu->actions().first()->trigger();
        } else {
            store().removeServers({0}); // e.g. by another window: the stale id stays
            QVERIFY(find("placeholder")->isVisible() && !view->editor());
            find<QToolButton>("removeServer")->click(); // names nothing: nothing happens
            QCOMPARE(view->selectedServerId(), before.at(0).id);
            view->setSelectedServerId(QUuid());
        }
        QCOMPARE(store().servers(), QList<Server>{before.at(remaining)});
        QVERIFY(view->selectedServerId().isNull() && list()->selectedItems().isEmpty());
        QVERIFY(find("placeholder")->isVisible() && !view->editor());
        QVERIFY(!find("removeServer")->isEnabled());
        QVERIFY(!list()->createRowMenu(QPoint(5, list()->viewport()->height() - 2)));
    }

    void selectingAnotherServerCreatesAFreshEditor()
    {
        m_fx->lister->shares.insert(u"a"_qs, {u"Public"_qs});
        m_fx->add(u"A"_qs, u"a"_qs);
        const Server b = m_fx->add(u"B"_qs, u"b"_qs);
        ServersView* view = servers();
        click(0);
        QPointer<ServerEditView> first = view->editor();
        QTRY_COMPARE(first->shareArea(), Area::Shares);
        QTest::keyClicks(find("displayName"), u"x"_qs);
        QCOMPARE(view->editor(), first.data()); // same server: the editor stays
        click(1);
        QCOMPARE(view->editor()->serverId(), b.id);
        QTRY_VERIFY(!first);
        click(0); // back to A: a fresh editor lists A's shares again
        QCOMPARE(view->editor()->findChild<QLineEdit*>(u"displayName"_qs)->text(), u"Ax"_qs);
        QTRY_COMPARE(view->editor()->shareArea(), Area::Shares);
        QCOMPARE(calls(), (QStringList{u"a"_qs, u"b"_qs, u"a"_qs}));
    }

    void addingADiscoveredServer_data()
    {
        QTest::addColumn<QString>("discoveredHost");
        QTest::addColumn<bool>("added");
        QTest::newRow("same characters") << u"caf\u00e9.local"_qs << false;
        QTest::newRow("canonically equivalent") << u"cafe\u0301.local"_qs << false;
        QTest::newRow("other letter case") << u"CAF\u00c9.local"_qs << true;
        QTest::newRow("with a blank") << u"caf\u00e9.local "_qs << true;
    }
    void addingADiscoveredServer()
    {
        QFETCH(QString, discoveredHost);
        QFETCH(bool, added);
        const Server existing = m_fx->add(u"Cafe"_qs, u"caf\u00e9.local"_qs);
        ServersView* view = servers();
        view->setSelectedServerId(existing.id);
        view->addDiscoveredServer({QUuid::createUuid(), u"Found"_qs, discoveredHost, 445},
                                  {u"Media"_qs, u"Public"_qs});
        QCOMPARE(store().servers().first(), existing); // nothing merged into the old one
        QCOMPARE(store().servers().size(), added ? 2 : 1);
        Server server = store().servers().last();
        QCOMPARE(view->selectedServerId(), server.id);
        QCOMPARE(view->editor()->serverId(), server.id);
        if (added) {
            QCOMPARE(server.shares.size(), 2);
            QCOMPARE(server.shares.at(0).name + server.shares.at(1).name, u"MediaPublic"_qs);
            QCOMPARE(server, (Server{server.id, u"Found"_qs, discoveredHost, server.shares, true}));
        }
    }

    void hostIsListedOnceUntilItChanges_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("host"); // stored and listed
        const QString nas = u"nas.local"_qs;
        QTest::newRow("Return, blanks around") << u" nas.local\u2003"_qs << u"Return"_qs << nas;
        QTest::newRow("refresh") << nas << u"refresh"_qs << nas;
        QTest::newRow("focus loss") << nas << u"focus loss"_qs << nas;
        QTest::newRow("shown again") << nas << u"show"_qs << nas;
        QTest::newRow("blank, Return") << u"  "_qs << u"Return"_qs << QString();
        QTest::newRow("blank, refresh") << u"  "_qs << u"refresh"_qs << QString();
        QTest::newRow("blank, shown again") << u"  "_qs << u"show"_qs << QString();
    }
    void hostIsListedOnceUntilItChanges()
    {
        QFETCH(QString, typed);
        QFETCH(QString, how);
        QFETCH(QString, host);
        editor(QString());
        find("host")->setFocus();
        const QString enterHost = qtTrId("server.shares.enter_host_first") + u" -"_qs;
        QCOMPARE(shareArea(), enterHost);
        typeHost(typed);
        QCOMPARE(stored().host, host);
        QVERIFY(calls().isEmpty()); // typing alone lists nothing
        trigger(how);
        if (host.isEmpty()) { // a blank host never lists
            QCOMPARE(shareArea(), enterHost);
            QVERIFY(calls().isEmpty());
            return;
        }
        QTRY_COMPARE(shareArea(), qtTrId("add_server.no_shares_found") + u" +"_qs); // it failed
        for (const QString& again : {u"Return"_qs, u"refresh"_qs, u"focus loss"_qs, u"show"_qs})
            trigger(again);
        QCOMPARE(calls(), QStringList{host});
        // One more character brings the hint back and forgets the listed host.
        QTest::keyClick(find("host"), Qt::Key_X);
        QCOMPARE(shareArea(), qtTrId("add_server.shares_hint") + u" +"_qs);
        QTest::keyClick(find("host"), Qt::Key_Backspace);
        trigger(u"Return"_qs);
        QTRY_COMPARE(calls(), (QStringList{host, host}));
    }

    void sharesSortedVerbatimAndTicksStoredAtOnce()
    {
        // "é" decomposed sorts by its composed form, after every ASCII letter.
        const QString ecole = u"e\u0301cole"_qs;
        m_fx->lister->shares.insert(u"nas"_qs,
                                    {u"media"_qs, ecole, u"R&D"_qs, u"Public"_qs, u"Media"_qs});
        editor(u"nas"_qs, {u"Public"_qs, u"Public"_qs, u"Old"_qs});
        QTRY_COMPARE(shareArea(), u"Shares +"_qs);
        QCOMPARE(find<ShareCheckList>("shareBoxes")->names(),
                 (QStringList{u"Media"_qs, u"Public"_qs, u"R&D"_qs, u"media"_qs, ecole}));
        QCOMPARE(box(u"R&D"_qs)->text(), u"R&&D"_qs); // no mnemonic
        QVERIFY(box(u"Public"_qs)->isChecked() && !box(u"Media"_qs)->isChecked());
        box(u"Public"_qs)->click(); // removes the first of that name only; "Old" stays
        QCOMPARE(stored().shares, m_server.shares.mid(1));
        QVERIFY(box(u"Public"_qs)->isChecked());
        box(u"R&D"_qs)->click();
        const QList<Share> shares = stored().shares;
        QCOMPARE(shares.size(), 3);
        QCOMPARE(shares.last(), (Share{shares.last().id, u"R&D"_qs, QString()}));
        QCOMPARE(find("refresh")->accessibleName(), qtTrId("add_server.load_shares"));
        // Every keystroke stores the trimmed name with the ticked shares; an empty field the
        // default name, a field of blanks an empty one.
        QCOMPARE(find<QLineEdit>("displayName")->text(), QString()); // the default shows empty
        QSignalSpy changes(&store(), &ShareStore::serversChanged);
        QTest::keyClicks(find("displayName"), u"  "_qs);
        QCOMPARE(stored().displayName, QString());
        QTest::keyClick(find("displayName"), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(find("displayName"), Qt::Key_Backspace);
        QCOMPARE(stored().displayName, qtTrId("server.new_name"));
        QTest::keyClicks(find("displayName"), u"\u00a0N2 "_qs);
        QCOMPARE(changes.count(), 7);
        QCOMPARE(find<QLineEdit>("displayName")->text(), u"\u00a0N2 "_qs); // kept as typed
        QCOMPARE(stored(), (Server{m_server.id, u"N2"_qs, u"nas"_qs, shares, true}));
        find<QCheckBox>("enabled")->click();
        QCOMPARE(stored(), (Server{m_server.id, u"N2"_qs, u"nas"_qs, shares, false}));
        QVERIFY(box(u"R&D"_qs)->isChecked());
    }

    // Editing the host while its listing runs abandons that listing: its late result does
    // not fill the list of another host.
    void lateResultForAnEarlierHostIsDropped()
    {
        m_fx->lister->shares.insert(u"old"_qs, {u"Stale"_qs});
        editor(QString());
        m_fx->lister->held = true;
        typeHost(u"old"_qs);
        trigger(u"Return"_qs);
        QCOMPARE(shareArea(), u"Loading -"_qs);
        typeHost(u"new"_qs);
        QCOMPARE(shareArea(), qtTrId("add_server.shares_hint") + u" +"_qs);
        QTRY_COMPARE(calls().size(), 1);
        m_fx->lister->held = false;
        QTest::qWait(50); // let the dropped result arrive; nothing may change
        QCOMPARE(shareArea(), qtTrId("add_server.shares_hint") + u" +"_qs);
    }

    // Shown as stored (nothing written back), changes from elsewhere shown, and the controls
    // storing what the user sets.
    void generalTabShowsAndStoresTheSettings_data()
    {
        QTest::addColumn<QByteArray>("stored"); // empty: nothing stored
        QTest::addColumn<QString>("pattern");   // of "general.interval_value"
        QTest::addColumn<QString>("shown");
        QTest::newRow("nothing") << QByteArray() << u"every %lld s"_qs << u"every 120 s"_qs;
        QTest::newRow("fraction") << QByteArray("45.9") << u"%1 Sekunden"_qs << u"45 Sekunden"_qs;
        QTest::newRow("beyond the slider") << QByteArray("3600") << u"%d %%"_qs << u"3600 %"_qs;
        QTest::newRow("not a number") << QByteArray("soon") << u"%s %i/%d"_qs << u"%s 120/%d"_qs;
        QTest::newRow("beyond 64 bits") << QByteArray("1e19") << u"%lld s"_qs << u"\u2013 s"_qs;
        QTest::newRow("infinite") << QByteArray("inf") << u"%lld s"_qs << u"\u2013 s"_qs;
    }
    void generalTabShowsAndStoresTheSettings()
    {
        QFETCH(QByteArray, stored);
        QFETCH(QString, pattern);
        QFETCH(QString, shown);
        m_format.pattern = pattern;
        QSettings& settings = *m_fx->settings;
        QVERIFY(stored.isEmpty() ||
                write(settings.fileName(), "[General]\nmountInterval=" + stored));
        settings.sync();
        QCoreApplication::setApplicationVersion(stored.isEmpty() ? u"1.4.2"_qs : QString());
        open(new GeneralSettingsView(settings)); // read when the tab is created
        QCOMPARE(find<QLabel>("intervalValue")->text(), shown);
        QCOMPARE(find<QLabel>("version")->text(), stored.isEmpty() ? u"1.4.2"_qs : u"\u2013"_qs);
        QVERIFY(find<QLabel>("website")->text().contains(u"href=\""_qs +
                                                         GeneralSettingsView::websiteUrl));
        QVERIFY(!find<QCheckBox>("keepMountedOnQuit")->isChecked());
        settings.sync();
        QCOMPARE(read(settings.fileName()),
                 stored.isEmpty() ? QByteArray() : "[General]\nmountInterval=" + stored);

        m_format.pattern = u"%lld s"_qs;
        QTest::qWait(20); // a new modification time, so QSettings sees the change
        const QByteArray elsewhere = "[General]\nmountInterval=270\nkeepMountedOnQuit=true\n";
        QVERIFY(write(settings.fileName(), elsewhere));
        QTRY_COMPARE(find<QLabel>("intervalValue")->text(), u"270 s"_qs);
        QTRY_VERIFY(find<QCheckBox>("keepMountedOnQuit")->isChecked());
        QCOMPARE(read(settings.fileName()), elsewhere);
        find<QCheckBox>("keepMountedOnQuit")->click();
        QCOMPARE(settings.value(AppSettings::keepMountedOnQuitKey), QVariant(false));
        auto* slider = find<QSlider>("interval"); // its ends store 30.0 and 600.0, steps of 30
        QCOMPARE(slider->value() * 30, 270);
        slider->triggerAction(QAbstractSlider::SliderToMinimum);
        QCOMPARE(settings.value(AppSettings::mountIntervalKey), QVariant(30.0));
        QCOMPARE(find<QLabel>("intervalValue")->text(), u"30 s"_qs);
        QList<double> seen;
        for (int i = slider->minimum(); i <= slider->maximum(); ++i) {
            slider->setValue(i);
            seen.append(settings.value(AppSettings::mountIntervalKey).toDouble() / 30.0);
        }
        QCOMPARE(seen, (QList<double>{1,  2,  3,  4,  5,  6,  7,  8,  9,  10,
                                      11, 12, 13, 14, 15, 16, 17, 18, 19, 20}));
    }

    // The autostart entry: read at opening without being touched, written and removed only
    // by the toggle, failures logged with the toggle where the user put it.
    void launchAtLoginFollowsTheEntry_data()
    {
        QTest::addColumn<QByteArray>("entry"); // empty: none; "file"/"folder" block the entry
        QTest::addColumn<bool>("checked");
        QTest::addColumn<int>("failures"); // of the two clicks
        const QByteArray head = "[Desktop Entry]\nExec=tarnwick\n";
        QTest::newRow("no entry") << QByteArray() << false << 0;
        QTest::newRow("entry") << LoginItem::entryContents(u"/usr/bin/tarnwick"_qs) << true << 0;
        QTest::newRow("hidden") << head + "Hidden=true\n" << false << 0;
        QTest::newRow("off in GNOME") << head + "X-GNOME-Autostart-enabled=false\n" << false << 0;
        QTest::newRow("other group") << head + "[Desktop Action x]\nHidden=true\n" << true << 0;
        QTest::newRow("file for the folder") << QByteArray("file") << false << 1;
        QTest::newRow("folder for the entry") << QByteArray("folder") << false << 2;
    }
    void launchAtLoginFollowsTheEntry()
    {
        QFETCH(QByteArray, entry);
        QFETCH(bool, checked);
        QFETCH(int, failures);
        QVERIFY(LoginItem::entryContents(u"/opt/My Apps/a%b$c\"d\\e"_qs)
                    .contains("\nExec=\"/opt/My Apps/a%%b\\\\$c\\\\\"d\\\\\\\\e\"\n"));
        QVERIFY(LoginItem::entryContents(u"/usr/bin/tarnwick"_qs, u"/home/a b/t.conf"_qs)
                    .contains("\nExec=/usr/bin/tarnwick --settings \"/home/a b/t.conf\"\n"));
        const QString path = m_home + u"/autostart/tarnwick.desktop"_qs;
        QCOMPARE(LoginItem::entryPath(), path);
        if (entry == "file")
            QVERIFY(write(m_home + u"/autostart"_qs, entry));
        else if (!entry.isEmpty())
            QVERIFY(QDir().mkpath(entry == "folder" ? path : m_home + u"/autostart"_qs));
        QVERIFY(entry.isEmpty() || failures || write(path, entry));
        tarnwick::test::LogCapture log;
        auto* toggle = open(new GeneralSettingsView(*m_fx->settings))->findChild<QCheckBox*>();
        QCOMPARE(toggle->objectName() + u' ' + QString::number(toggle->isChecked()),
                 u"launchAtLogin "_qs + QString::number(checked));
        QCOMPARE(read(path), failures ? QByteArray() : entry); // opening touches nothing
        toggle->click();
        QVERIFY(failures ||
                read(path).contains("\nExec=" + QCoreApplication::applicationFilePath().toUtf8() +
                                    "\n") != checked);
        QVERIFY(failures || QFile::exists(path) != checked);
        toggle->click();
        QCOMPARE(toggle->isChecked(), checked);
        QCOMPARE(log.lines().size(), failures);
        for (const QString& line : log.lines()) // with a reason
            QVERIFY2(line.startsWith(u"[Tarnwick] LoginItem error: "_qs) && line.size() > 28,
                     qPrintable(line));
    }

    // Searching, none found, then sections with every share ticked; add hands over the
    // ticked ones (unless the host is stored) and shows the check mark until rescan lists
    // everything afresh; Done (Return) and Escape close the sheet and stop the search.
    void discoverySheetAddsTickedSharesAndStopsTheSearch_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<int>("key");
        QTest::newRow("new host, Return (Done)") << false << int(Qt::Key_Return);
        QTest::newRow("host already stored, Escape") << true << int(Qt::Key_Escape);
    }
    void discoverySheetAddsTickedSharesAndStopsTheSearch()
    {
        QFETCH(bool, stored);
        QFETCH(int, key);
        const QList<Server> before{Server::create(u"My NAS"_qs, m_host)};
        if (stored)
            store().setServers(before);
        ServersView* view = discovering();
        QPointer<DiscoverySheet> sheet = openSheet(view);
        QCOMPARE(sheet->windowModality(), Qt::WindowModal);
        QCOMPARE(sheet->size(), QSize(460, 400));
        view->browser().stopSearch(); // right after the start: nothing found yet
        auto* body = sheet->findChild<QStackedWidget*>();
        QCOMPARE(body->currentWidget()->objectName(), u"noneFound"_qs);
        view->browser().startSearch();
        QCOMPARE(body->currentWidget()->objectName(), u"searching"_qs);
        QVERIFY(sheet->findChild<QWidget*>(u"titleBusy"_qs)->isVisibleTo(sheet));
        ShareCheckList* office = listed(sheet, m_host);
        QVERIFY(office);
        QCOMPARE(body->currentWidget()->objectName(), u"serverList"_qs);
        QCOMPARE(ticked(office), m_shares); // every share, each once, all ticked
        QCOMPARE(office->names(), m_shares);
        QCOMPARE(m_fx->lister->calls().count(m_host), 1);
        ShareCheckList* printer = listed(sheet, u"other.local"_qs); // no SMB: nothing to add
        QVERIFY(printer && printer->isHidden() && printer->names().isEmpty());
        QVERIFY(!sheet->sectionFor(u"other.local"_qs)->findChild<QPushButton*>()->isEnabled());
        auto* section = sheet->sectionFor(m_host);
        auto* add = section->findChild<QPushButton*>(u"add"_qs);
        for (QCheckBox* box : office->boxes())
            box->click();
        QVERIFY(!add->isEnabled());
        office->boxes().at(2)->click(); // Team Docs
        office->boxes().at(0)->click(); // Public
        QCOMPARE(store().servers(), stored ? before : QList<Server>());
        add->click();
        QVERIFY(sheet->isVisible() && add->isHidden());
        QVERIFY(!section->findChild<QLabel*>(u"added"_qs)->isHidden());
        const Server server = store().servers().value(0);
        QCOMPARE(store().servers().size(), 1);
        QCOMPARE(server.displayName, stored ? u"My NAS"_qs : u"Office Files"_qs);
        QCOMPARE(server.shares.size(), stored ? 0 : 2);
        QVERIFY(stored ||
                server.shares.at(0).name + u'+' + server.shares.at(1).name == u"Public+Team Docs");
        QCOMPARE(view->selectedServerId(), stored ? QUuid() : server.id);

        auto* rescan = sheet->findChild<QPushButton*>(u"rescan"_qs);
        QVERIFY(!rescan->isEnabled()); // not while the search runs
        view->browser().stopSearch();
        rescan->click();
        QVERIFY(view->browser().isSearching());
        QTRY_VERIFY(sheet->sectionFor(m_host) != section);
        office = listed(sheet, m_host);
        QVERIFY(office &&
                !sheet->sectionFor(m_host)->findChild<QPushButton*>(u"add"_qs)->isHidden());
        QCOMPARE(ticked(office), m_shares);                            // every share ticked again
        QCOMPARE(m_fx->lister->calls().count(m_host), stored ? 2 : 3); // the editor listed too

        office->boxes().at(0)->setFocus(); // Return is the sheet's, not the focused box's
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key));
        QTRY_VERIFY(!sheet);
        QVERIFY(!view->browser().isSearching() && !view->browser().discovered().isEmpty());
        QCOMPARE(store().servers().size(), 1);
        DiscoverySheet* again = openSheet(view); // afresh, without the servers found before
        QVERIFY(view->browser().isSearching() && !again->sectionFor(m_host));
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
        m_fx->lister->real = ProfileFactory::createShareLister();
        m_format.pattern.clear();
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
        store().setServers({office, backup, Server::create(QString(), QString())});
        std::unique_ptr<SettingsWindow> window(
            new SettingsWindow(store(), *m_fx->settings, m_fx->lister));
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

private:
    ShareStore& store() { return m_fx->store; }
    Server stored() const
    {
        for (const Server& server : m_fx->store.servers()) {
            if (server.id == m_server.id)
                return server;
        }
        return {};
    }
};

QTEST_MAIN(TestSettingsWindow)
#include "tst_settings_window.moc"
