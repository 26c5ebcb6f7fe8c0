#include "log_capture.h"
#include "shell/app_events.h"
#include "shell/dbus_menu_exporter.h"
#include "shell/popover_window.h"
#include "shell/settings_opener.h"
#include "shell/status_notifier_item.h"
#include "shell/translations.h"
#include "shell/tray_icon.h"
#include "tray_test_app.h"

#include <QApplication>
#include <QDBusMessage>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

using namespace tarnwick;
using namespace tarnwick::test;

// The desktop's side on the private session bus, on a connection of its own.
class FakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
public:
    QStringList items;
public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) { items.append(service); }
};

// Tarnwick on X11 (Xvfb, openbox), first without a tray, then with a StatusNotifierWatcher that
// later restarts. The item and its menu are read over D-Bus as a host reads them.
class TestTrayIcon : public QObject {
    Q_OBJECT

    QDBusConnection m_host = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"host"_qs);
    FakeWatcher m_watcher;
    StandInNotifications m_notifications;
    QList<uint> m_layoutRevisions; // from LayoutUpdated
    QString m_item;
    QMap<QString, int> m_ids; // menu label -> id, and the revision, from the last menu()
    uint m_revision = 0;

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
            QString text =
                p.value(u"type"_qs) == u"separator"_qs ? u"-"_qs : p.value(u"label"_qs).toString();
            if (p.contains(u"toggle-state"_qs))
                text += p.value(u"toggle-state"_qs).toInt() == 1 ? u" [x]"_qs : u" [ ]"_qs;
            if (!p.value(u"enabled"_qs, true).toBool())
                text += u" (off)"_qs;
            rows.append(text);
            m_ids.insert(p.value(u"label"_qs).toString(), row.id);
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

    void lateTraysGetTheIconAndTheLiveMenu()
    {
        LogCapture log;
        TrayTestApp app([](TrayServices& services) {
            services.sessionBus = QDBusConnection::sessionBus();
            services.trayGrace = std::chrono::milliseconds(50);
        });
        Server nas = Server::create(u"Office NAS"_qs, u"nas.local"_qs);
        nas.shares = {Share::create(u"Documents"_qs), Share::create(u"Media"_qs)};
        Server backup = Server::create(u"Backup"_qs, u"backup.local"_qs);
        backup.isEnabled = false; // still clickable
        backup.shares.append(Share::create(u"Time_Machine"_qs));
        app.store().setServers({nas, backup});
        app.mountInTable(u"Documents"_qs);
        app.tray->start();
        QTRY_VERIFY(app.manager().isMounted(u"Documents"_qs));
        PopoverWindow* popover = app.tray->popover();

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
                !popover->isVisible() && window->isActiveWindow() &&
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
                 u"Office NAS (off)|Documents [x]|%5|Media [ ]|Backup (off)|Time__Machine "
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
        QTRY_COMPARE(menu().section(u'|', 5, 5), u"Time__Machine [x]"_qs);
        QVERIFY(m_revision > revision);
        QTRY_VERIFY(m_layoutRevisions.contains(m_revision));
        click(u"Documents"_qs);
        QTRY_COMPARE(app.rig.args(u"umount"_qs, 1).value(0), app.rig.volumes() + u"/Documents"_qs);

        // A left click opens the popover under the host's position.
        call(StatusNotifierItem::path(), u"Activate"_qs, {600, 20});
        QTRY_VERIFY(popover->isVisible());
        QVERIFY(popover->geometry().top() > 20 && popover->geometry().contains(600, 100));
        popover->close();

        // The host restarts: the item registers again, and a later launch shows the popover.
        m_watcher.items.clear();
        QVERIFY(m_host.unregisterService(StatusNotifierItem::watcherService()));
        QTRY_VERIFY(app.tray->trayIcon()->host() != TrayIcon::Host::StatusNotifier);
        QVERIFY(m_host.registerService(StatusNotifierItem::watcherService()));
        QTRY_COMPARE(m_watcher.items, QStringList{m_item});
        QTest::qWait(400); // past the guard against a closing click reopening it
        app.tray->activateFromLaunch();
        QVERIFY(popover->isVisible());
        QCOMPARE(m_notifications.summaries.size(), 1); // still said only once
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tst_tray_icon.moc"
