#include "log_capture.h"
#include "model/app_settings.h"
#include "shell/app_events.h"
#include "shell/dbus_menu_exporter.h"
#include "shell/hover_row.h"
#include "shell/menu_bar_content_view.h"
#include "shell/popover_window.h"
#include "shell/settings_opener.h"
#include "shell/share_notifier.h"
#include "shell/share_row.h"
#include "shell/share_status_text.h"
#include "shell/status_notifier_item.h"
#include "shell/translations.h"
#include "shell/tray_icon.h"
#include "style/style.h"
#include "tray_test_app.h"

#include <QDBusMessage>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace tarnwick;
using namespace tarnwick::test;
using State = ShareStatus::State;
using Reason = ShareStatus::Reason;

// The desktop's side on the private session bus, on a connection of its own.
class FakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
public:
    QStringList items;
public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) { items.append(service); }
};
// The notification server: records "summary|action,label,...".
class StandInNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList summaries;
public Q_SLOTS:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString&,
                const QStringList& actions, const QVariantMap&, int)
    {
        summaries.append(actions.isEmpty() ? summary : summary + u'|' + actions.join(u','));
        return uint(summaries.size());
    }
};

// The shell on X11 (Xvfb, openbox) over the fake tools: what a share's status reads as and
// notifies, the popover from the keyboard, and the tray, first missing, then a
// StatusNotifierWatcher that later restarts; the item and its menu read over D-Bus as a host
// reads them.
class TestTrayIcon : public QObject {
    Q_OBJECT

    QDBusConnection m_host = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"host"_qs);
    FakeWatcher m_watcher;
    StandInNotifications m_notifications;
    QList<uint> m_layoutRevisions; // from LayoutUpdated
    QString m_item;
    QMap<QString, int> m_ids;         // menu label -> id, and the revision, from the last menu()
    uint m_revision = 0, m_moved = 0; // m_moved: labels seen with another id than before

    static ShareStatus status(QChar code)
    {
        // m mounted, b mounting, u unmounting, n not mounted, r login refused, x unreachable,
        // a not on this network, w waking
        const qsizetype i = u"mbunrxaw"_qs.indexOf(code);
        const State states[] = {State::Mounted, State::Mounting, State::Unmounting};
        const Reason reasons[] = {Reason::None, Reason::LoginRefused, Reason::ServerUnreachable,
                                  Reason::NotOnThisNetwork, Reason::Waking};
        const State state = i < 3 ? states[i] : State::NotMounted;
        return {u"Media"_qs, state, i < 3 ? Reason::None : reasons[i - 3], 0, {}};
    }
    // Opaque light (or dark) pixels of an ARGB32 image in network byte order.
    static int pixels(const SniPixmap& pixmap, bool light)
    {
        int count = 0;
        for (qsizetype i = 0; i + 3 < pixmap.argb.size(); i += 4) {
            const auto* argb = reinterpret_cast<const uchar*>(pixmap.argb.constData() + i);
            const int grey = (argb[1] + argb[2] + argb[3]) / 3;
            count += argb[0] > 200 && (light ? grey > 200 : grey < 60);
        }
        return count;
    }
    // A host's call; the local event loop lets Tarnwick, in this process, answer it.
    QList<QVariant> call(const QString& path, const QString& method, const QVariantList& args)
    {
        const QString interface = path == DbusMenuExporter::path() ? u"com.canonical.dbusmenu"_qs
                                  : method == u"GetAll"_qs ? u"org.freedesktop.DBus.Properties"_qs
                                                           : u"org.kde.StatusNotifierItem"_qs;
        QDBusMessage message = QDBusMessage::createMethodCall(m_item, path, interface, method);
        message.setArguments(args);
        return m_host.call(message, QDBus::BlockWithGui, 5000).arguments();
    }
    // The menu as "label [x]/[ ] (off)|-|...", labels in mnemonic text ("_" doubled).
    QString menu()
    {
        const auto reply = call(DbusMenuExporter::path(), u"GetLayout"_qs, {0, -1, QStringList()});
        m_revision = reply.value(0).toUInt();
        QStringList rows;
        for (const DbusMenuLayout& row : qdbus_cast<DbusMenuLayout>(reply.value(1)).children) {
            const QVariantMap& p = row.properties;
            const QString label = p.value(u"label"_qs).toString();
            QString text = p.value(u"type"_qs) == u"separator"_qs ? u"-"_qs : label;
            if (p.contains(u"toggle-state"_qs))
                text += p.value(u"toggle-state"_qs).toInt() == 1 ? u" [x]"_qs : u" [ ]"_qs;
            if (!p.value(u"enabled"_qs, true).toBool())
                text += u" (off)"_qs;
            rows.append(text);
            m_moved += !label.isEmpty() && m_ids.value(label, row.id) != row.id;
            m_ids.insert(label, row.id);
        }
        return rows.join(u'|');
    }
    void click(const QString& label)
    {
        call(DbusMenuExporter::path(), u"Event"_qs,
             {m_ids.value(label), u"clicked"_qs, QVariant::fromValue(QDBusVariant(0)), 0u});
    }

private Q_SLOTS:
    void initTestCase()
    {
        Translations::install(*qApp, QLocale(QLocale::English));
        QVERIFY2(QGuiApplication::platformName() == u"xcb"_qs && m_host.isConnected(),
                 "run under tests/support/with-x11-desktop.sh and session-env.sh");
        QVERIFY(m_host.registerObject(u"/org/freedesktop/Notifications"_qs, &m_notifications,
                                      QDBusConnection::ExportAllSlots));
        QVERIFY(m_host.registerService(u"org.freedesktop.Notifications"_qs));
        QVERIFY(m_host.registerObject(u"/StatusNotifierWatcher"_qs, &m_watcher,
                                      QDBusConnection::ExportAllSlots));
        QVERIFY(m_host.connect({}, DbusMenuExporter::path(), u"com.canonical.dbusmenu"_qs,
                               u"LayoutUpdated"_qs, this, SLOT(onLayoutUpdated(uint, int))));
    }
    void onLayoutUpdated(uint revision, int) { m_layoutRevisions.append(revision); }

    void statusSaysWhyAndShowsIt_data()
    {
        QTest::addColumn<State>("state");
        QTest::addColumn<Reason>("reason");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<bool>("attention");
        QTest::newRow("mounted, reason stale") << State::Mounted << Reason::TimedOut << QString()
                                               << u"checkmark.circle.fill"_qs << false;
        QTest::newRow("mounting") << State::Mounting << Reason::LoginRefused << QString()
                                  << u"arrow.triangle.2.circlepath"_qs << false;
        QTest::newRow("never tried")
            << State::NotMounted << Reason::None << QString() << u"circle"_qs << false;
        QTest::newRow("unreachable") << State::NotMounted << Reason::ServerUnreachable
                                     << u"Server not reachable"_qs << u"wifi.slash"_qs << true;
        QTest::newRow("refused") << State::NotMounted << Reason::LoginRefused
                                 << u"Login refused — store the new password"_qs
                                 << u"exclamationmark.triangle"_qs << true;
        QTest::newRow("no share") << State::NotMounted << Reason::NoSuchShare
                                  << u"No such share on the server"_qs
                                  << u"exclamationmark.triangle"_qs << false;
        // The tool's own words, where it had some, not its exit status; a known reason wins.
        QTest::newRow("failed") << State::NotMounted << Reason::MountFailed << u"gio said so"_qs
                                << u"exclamationmark.triangle"_qs << false;
        QTest::newRow("closed share") << State::NotMounted << Reason::AccessDenied
                                      << u"This login may not open the share — ask for access"_qs
                                      << u"exclamationmark.triangle"_qs << true;
        QTest::newRow("server elsewhere") << State::NotMounted << Reason::NotOnThisNetwork
                                          << u"Not on this network"_qs << u"circle"_qs << false;
        QTest::newRow("waking") << State::NotMounted << Reason::Waking << u"Waking the server…"_qs
                                << u"arrow.triangle.2.circlepath"_qs << false;
    }
    void statusSaysWhyAndShowsIt()
    {
        QFETCH(State, state);
        QFETCH(Reason, reason);
        QFETCH(QString, text);
        QFETCH(QString, symbol);
        const QDateTime tried(QDate(2024, 5, 6), QTime(14, 5));
        const ShareStatus s{u"Media"_qs, state, reason, 32, tried, u"gio said so"_qs};
        QCOMPARE(ShareStatusText::reason(s), text);
        QCOMPARE(ShareStatusText::symbol(s), symbol);
        QFETCH(bool, attention);
        QCOMPARE(ShareStatusText::needsAttention(s), attention);
        // The time of the last try follows the reason, in the locale's short format.
        const QString detail = ShareStatusText::detail(s, QLocale(QLocale::German));
        QCOMPARE(detail.startsWith(text) && detail.endsWith(u"14:05"_qs), !text.isEmpty());
        QCOMPARE(ShareStatusText::tint(s, Qt::black) == Style::secondary(Qt::black),
                 state == State::NotMounted &&
                     (reason == Reason::None || reason == Reason::NotOnThisNetwork ||
                      reason == Reason::Waking));
    }
    void notifiesOncePerChangeOfStatus_data()
    {
        QTest::addColumn<QString>("publications"); // one status code per publication
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QStringList>("told");
        const QString refused = u"Login for “Media” refused|settings,Open settings"_qs;
        const QString lost = u"“Media” is no longer mounted|settings,Open settings"_qs;
        QTest::newRow("refused over five cycles") << u"rbrbr"_qs << true << QStringList{refused};
        QTest::newRow("refused, mounted, refused")
            << u"rmbr"_qs << true << QStringList{refused, refused};
        QTest::newRow("detached") << u"mxxbx"_qs << true << QStringList{lost};
        QTest::newRow("unmounted by the user, unreachable")
            << u"munxbx"_qs << true << QStringList{};
        QTest::newRow("switched off") << u"mxrbr"_qs << false << QStringList{};
        QTest::newRow("left its network") << u"mabm"_qs << true << QStringList{};
        QTest::newRow("asleep, woken") << u"mwwbm"_qs << true << QStringList{};
    }
    void notifiesOncePerChangeOfStatus()
    {
        QFETCH(QString, publications);
        QFETCH(QStringList, told);
        QTemporaryDir dir;
        QSettings settings(dir.filePath(u"t.conf"_qs), QSettings::IniFormat);
        QFETCH(bool, enabled);
        if (!enabled)
            settings.setValue(AppSettings::notificationsKey, false);
        m_notifications.summaries.clear();
        const QUuid nas = QUuid::createUuid();
        ShareNotifier notifier(QDBusConnection::sessionBus(), settings);
        const ShareKey media{nas, QUuid::createUuid()};
        for (QChar code : publications)
            notifier.update({{media, status(code)}});
        QTRY_COMPARE(m_notifications.summaries, told);
        QTest::qWait(50); // nothing more on its way
        QCOMPARE(m_notifications.summaries, told);
        if (told.isEmpty())
            return;
        // "Open settings" opens the settings at the share's server; another's action does not.
        QSignalSpy opened(&AppEvents::instance(), &AppEvents::openServerSettingsRequest);
        for (uint id : {uint(told.size()), 99u}) {
            QDBusMessage signal = QDBusMessage::createSignal(u"/org/freedesktop/Notifications"_qs,
                                                             u"org.freedesktop.Notifications"_qs,
                                                             u"ActionInvoked"_qs);
            m_host.send(signal << id << u"settings"_qs);
        }
        QTRY_COMPARE(opened.count(), 1);
        QTest::qWait(50);
        QCOMPARE(opened, QList<QVariantList>{{nas}});
    }
    void keysMoveThroughTheRowsAndSayTheirState_data()
    {
        QTest::addColumn<bool>("publicBusy");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("focused"); // the accessible name of the last focused row
        QTest::addColumn<QString>("tool");    // what the last key started
        QTest::newRow("busy row skipped")
            << true << u"Down,Return"_qs << u"Media, mounted"_qs << u"umount"_qs;
        QTest::newRow("Up Up Enter: settings")
            << false << u"Up,Up,Return"_qs << qtTrId("menu.settings") << QString();
        QTest::newRow("open button after the mounted row")
            << false << u"Down,Down,Down,Return"_qs << u"Open Media in the file manager"_qs
            << QString();
        QTest::newRow("Mount All")
            << false << u"Up,Up,Up,Up,Return"_qs << qtTrId("menu.mount_all") << u"osascript"_qs;
        QTest::newRow("Unmount All")
            << false << u"Up,Up,Up,Return"_qs << qtTrId("menu.unmount_all") << u"umount"_qs;
        QTest::newRow("Tab Escape")
            << false << u"Tab,Escape"_qs << u"Public, not mounted"_qs << QString();
    }
    void keysMoveThroughTheRowsAndSayTheirState()
    {
        QFETCH(bool, publicBusy);
        QFETCH(QString, keys);
        QFETCH(QString, focused);
        QFETCH(QString, tool);
        TrayTestApp app;
        Server nas = Server::create(u"NAS"_qs, u"nas"_qs);
        nas.shares = {Share::create(u"Public"_qs), Share::create(u"Media"_qs)};
        app.mountInTable(u"Media"_qs);
        app.store().setServers({nas});
        app.tray->start();
        QTRY_VERIFY(app.manager().isMounted(ShareKey::of(nas, nas.shares[1])));
        app.tray->showPopover();
        QPointer<PopoverWindow> popover = app.tray->popover(); // gone once closed
        ShareRow* publicRow = popover->content()->shareRows().value(0);
        Server off{QUuid::createUuid(), u"Off"_qs, u"off"_qs, {Share::create(u"Extra"_qs)}, false};
        app.store().setServers({nas, off}); // rows stay; Mount All leaves the new one
        QCOMPARE(popover->content()->shareRows().value(0), publicRow);
        if (publicBusy) { // without a pointer: no focus moves
            app.hold(u"osascript"_qs);
            publicRow->click();
            QTRY_COMPARE(publicRow->accessibleName(), u"Public, busy"_qs);
        }
        QSignalSpy settings(&AppEvents::instance(), &AppEvents::openSettingsRequest);
        QSignalSpy opened(&AppEvents::instance(), &AppEvents::openLocationRequest);
        const int before = tool.isEmpty() ? 0 : app.rig.callCount(tool);
        QPointer<HoverRow> last; // the row the last key went to
        QString spoken;
        for (const QString& key : keys.split(u',')) {
            if ((last = qobject_cast<HoverRow*>(popover->focusWidget()))) {
                spoken = last->accessibleName();
                QCOMPARE(last->foreground(), QColor(Qt::white)); // highlighted
            }
            QTest::keyClick(popover->focusWidget(),
                            Qt::Key(QKeySequence::fromString(key)[0].key()));
        }
        QCOMPARE(spoken, focused);
        if (!tool.isEmpty())
            QTRY_COMPARE(app.rig.callCount(tool), before + 1);
        QCOMPARE(settings.count(), focused == qtTrId("menu.settings") ? 1 : 0);
        const bool open = focused.startsWith(u"Open"_qs);
        QCOMPARE(opened.value(0).value(0).toUrl(),
                 open ? QUrl::fromLocalFile(app.rig.volumes() + u"/Media"_qs) : QUrl());
        const bool closes = keys.endsWith(u"Escape"_qs) || settings.count() == 1 || open;
        QCOMPARE(popover && popover->isVisible(), !closes);
        if (closes) // nothing stays highlighted for the next opening, nor kept while closed
            QTRY_VERIFY(!popover && !app.tray->popover());
    }

    void lateTraysGetTheIconAndTheLiveMenu()
    {
        LogCapture log;
        TrayTestApp app([](TrayServices& services) {
            services.sessionBus = QDBusConnection::sessionBus();
            services.trayGrace = std::chrono::milliseconds(50);
        });
        Server nas = Server::create(u"Office NAS"_qs, u"nas.local"_qs);
        nas.shares = {Share::create(u"Media"_qs), Share::create(u"Documents"_qs)};
        nas.networks = {u"office"_qs};
        Server backup = Server::create(u"Backup"_qs, u"backup.local"_qs);
        backup.isEnabled = false; // still clickable
        backup.shares.append(Share::create(u"Time_Machine"_qs));
        app.store().setServers({nas, backup});
        app.mountInTable(u"Documents"_qs);
        app.tray->start();
        QTRY_VERIFY(app.manager().isMounted(ShareKey::of(nas, nas.shares[1])));

        // No tray: said once; a later launch brings settings forward and centred, even if hidden.
        QTRY_COMPARE(m_notifications.summaries, QStringList{qtTrId("tray.none_title")});
        QCOMPARE(log.lines().filter(u"[Tray] No system tray"_qs).size(), 1);
        SettingsOpener* opener = app.tray->settingsOpener();
        QSignalSpy raised(opener, &SettingsOpener::raised);
        QWidget other;
        for (int pass = 0; pass < 2; ++pass) {
            app.tray->activateFromLaunch();
            QVERIFY(raised.wait());
            QWidget* window = opener->window();
            QTRY_VERIFY(
                !app.tray->popover() && window->isActiveWindow() &&
                (window->frameGeometry().center() - window->screen()->availableGeometry().center())
                        .manhattanLength() <= 2);
            window->move(5, 5);
            other.show();
            other.activateWindow();
            QTRY_VERIFY(other.isActiveWindow());
        }
        opener->window()->close();

        // A watcher appears: the item registers; its icon reads on dark and on light panels.
        QVERIFY(m_host.registerService(StatusNotifierItem::watcherService()));
        QTRY_COMPARE(m_watcher.items, QStringList{QDBusConnection::sessionBus().baseService()});
        m_item = m_watcher.items.first();
        QTRY_COMPARE(app.tray->trayIcon()->host(), TrayIcon::Host::StatusNotifier);
        const auto item = qdbus_cast<QVariantMap>(
            call(StatusNotifierItem::path(), u"GetAll"_qs, {u"org.kde.StatusNotifierItem"_qs})
                .value(0));
        QCOMPARE(item.value(u"IconName"_qs), u"tarnwick-symbolic"_qs);
        QCOMPARE(item.value(u"Menu"_qs).value<QDBusObjectPath>().path(), DbusMenuExporter::path());
        const auto images = qdbus_cast<QList<SniPixmap>>(item.value(u"IconPixmap"_qs));
        QVERIFY(!images.isEmpty());
        for (const SniPixmap& image : images) {
            QCOMPARE(image.argb.size(), image.width * image.height * 4);
            QVERIFY(pixels(image, true) > image.width && pixels(image, false) > image.width);
        }

        // The menu lists what the popover lists, busy shares disabled, and follows the states;
        // a mounted share's "open" asks for its folder.
        QCOMPARE(menu(),
                 u"Office NAS (off)|Media [ ]|Documents [x]|%5|Backup (off)|Time__Machine "
                 "[ ]|-|%1|%2|-|%3|-|%4"_qs.arg(
                     qtTrId("menu.mount_all"), qtTrId("menu.unmount_all"), qtTrId("menu.settings"),
                     qtTrId("menu.quit"), qtTrId("menu.open_share").arg(u"Documents"_qs)));
        QSignalSpy opened(&AppEvents::instance(), &AppEvents::openLocationRequest);
        click(qtTrId("menu.open_share").arg(u"Documents"_qs));
        QTRY_COMPARE(opened.value(0).value(0).toUrl(),
                     QUrl::fromLocalFile(app.rig.volumes() + u"/Documents"_qs));
        const uint revision = m_revision;
        // A click on an idle share mounts it from its server, one on a mounted share unmounts.
        app.hold(u"osascript"_qs);
        click(u"Time__Machine"_qs);
        QTRY_VERIFY(
            app.rig.stdinOf(u"osascript"_qs, 1).contains("smb://backup.local/Time_Machine"));
        QTRY_COMPARE(menu().section(u'|', 5, 5), u"Time__Machine [ ] (off)"_qs); // busy
        app.mountInTable(u"Time_Machine"_qs);
        app.release();
        QTRY_VERIFY(menu().contains(u"Time__Machine [x]|Open “Time__Machine” in File Manager"_qs));
        QTRY_VERIFY(m_revision > revision && m_layoutRevisions.contains(m_revision));
        app.rig.setStatus(u"osascript"_qs, 5, 2); // a failed mount says why after the name
        click(u"Media"_qs);
        QTRY_COMPARE(menu().section(u'|', 1, 1), u"Media — Mount failed (5) [ ]"_qs);
        QCOMPARE(app.tray->trayIcon()->item()->toolTip().text,
                 u"2 of 3 shares mounted\nNot mounted: Media — Mount failed (5)"_qs);
        // Away from the office: its unmounted share waits, no fault.
        app.manager().setActiveNetworks(QStringList{u"cafe"_qs});
        QTRY_COMPARE(menu().section(u'|', 1, 1), u"Media — Not on this network [ ]"_qs);
        QCOMPARE(app.tray->trayIcon()->item()->toolTip().text,
                 u"2 of 3 shares mounted · 1 server not on this network"_qs);
        app.manager().setActiveNetworks(std::nullopt);
        click(u"Documents"_qs);
        QTRY_COMPARE(app.rig.args(u"umount"_qs, 1).value(0), app.rig.volumes() + u"/Documents"_qs);

        // A left click opens the popover under the host's position.
        call(StatusNotifierItem::path(), u"Activate"_qs, {600, 20});
        const auto popover = [&app] { return app.tray->popover(); }; // exists while shown
        QTRY_VERIFY(popover() && popover()->isVisible() && popover()->geometry().top() > 20 &&
                    popover()->geometry().contains(600, 100));
        popover()->close();

        // The host restarts: the item registers again, and a later launch shows the popover.
        m_watcher.items.clear();
        QVERIFY(m_host.unregisterService(StatusNotifierItem::watcherService()));
        QTRY_VERIFY(app.tray->trayIcon()->host() != TrayIcon::Host::StatusNotifier);
        QVERIFY(m_host.registerService(StatusNotifierItem::watcherService()));
        QTRY_COMPARE(m_watcher.items, QStringList{m_item});
        app.tray->activateFromLaunch();
        QTRY_VERIFY(popover() && popover()->isVisible());
        QCOMPARE(m_notifications.summaries.size(), 1); // still said only once
        QCOMPARE(m_moved, 0u); // every menu entry kept its id through the run
    }

    // With TARNWICK_SCREENSHOT_DIR set, saves the README's popover screenshots: a mounted share
    // with its open button, a failed mount and an unreachable server with their reasons.
    void screenshots()
    {
        const QString target = qEnvironmentVariable("TARNWICK_SCREENSHOT_DIR");
        if (target.isEmpty())
            QSKIP("TARNWICK_SCREENSHOT_DIR not set");
        TrayTestApp app;
        Server nas = Server::create(u"Office NAS"_qs, u"nas.local"_qs);
        nas.shares = {Share::create(u"Documents"_qs), Share::create(u"Media"_qs)};
        Server backup = Server::create(u"Backup"_qs, u"backup.local"_qs);
        backup.shares = {Share::create(u"TimeMachine"_qs)};
        app.mountInTable(u"Documents"_qs);
        app.rig.setStatus(u"osascript"_qs, 5);
        app.rig.setHook(u"ping"_qs, u"[ \"$5\" != backup.local ] || status=1\n"_qs);
        app.store().setServers({nas, backup});
        app.tray->start();
        app.manager().mountAll();
        QTRY_COMPARE(app.manager().statusOf(ShareKey::of(nas, nas.shares[1])).toolStatus,
                     5); // after the probes
        for (const QLocale& locale : {QLocale(QLocale::German), QLocale(QLocale::English)}) {
            Translations::install(*qApp, locale);
            app.tray->showPopover();
            const QString name = u"/popover-%1.png"_qs.arg(locale.name().left(2));
            QVERIFY(app.tray->popover()->grab().save(target + name));
            app.tray->closePopover();
        } // English again, for what comes after
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tst_tray_icon.moc"
