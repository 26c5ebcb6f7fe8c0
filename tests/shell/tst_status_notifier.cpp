#include "log_capture.h"
#include "shell/dbus_menu_exporter.h"
#include "shell/popover_window.h"
#include "shell/status_notifier_item.h"
#include "shell/translations.h"
#include "shell/tray_icon.h"
#include "tray_test_app.h"

#include <QDBusConnectionInterface>
#include <QTest>

using namespace tarnwick;
using namespace tarnwick::test;

// The desktop's side on the private session bus, on a connection of its own: a
// StatusNotifierWatcher and a notification server, served from the test.
class FakeWatcher : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
public:
    QStringList items;
public Q_SLOTS:
    void RegisterStatusNotifierItem(const QString& service) { items.append(service); }
};
class FakeNotifications : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList summaries;
public Q_SLOTS:
    uint Notify(const QString&, uint, const QString&, const QString& summary, const QString&,
                const QStringList&, const QVariantMap&, int)
    {
        summaries.append(summary);
        return uint(summaries.size());
    }
};

// Tarnwick's tray item and menu as a host sees them over D-Bus, with the watcher appearing
// only after Tarnwick started, and restarting.
class TestStatusNotifier : public QObject {
    Q_OBJECT

    QDBusConnection m_host = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"host"_qs);
    FakeWatcher m_watcher;
    FakeNotifications m_notifications;
    QList<uint> m_layoutRevisions; // from LayoutUpdated
    QString m_item;

    // A host's call; the local event loop lets Tarnwick, in this process, answer it.
    QList<QVariant> call(const QString& path, const QString& interface, const QString& method,
                         const QVariantList& args = {})
    {
        QDBusMessage message = QDBusMessage::createMethodCall(m_item, path, interface, method);
        message.setArguments(args);
        const QDBusMessage reply = m_host.call(message, QDBus::BlockWithGui, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage)
            qWarning("%s: %s", qPrintable(method), qPrintable(reply.errorMessage()));
        return reply.arguments();
    }
    QVariantMap itemProperties()
    {
        return qdbus_cast<QVariantMap>(call(StatusNotifierItem::path(),
                                            u"org.freedesktop.DBus.Properties"_qs, u"GetAll"_qs,
                                            {u"org.kde.StatusNotifierItem"_qs})
                                           .value(0));
    }
    // The menu as text: a label per row (mnemonic text: "_" doubled), "-" for a separator,
    // [x]/[ ] for a share's check mark and "(off)" for a disabled row.
    QStringList menu(QMap<QString, int>* ids = nullptr, uint* revision = nullptr)
    {
        const QList<QVariant> reply = call(DbusMenuExporter::path(), u"com.canonical.dbusmenu"_qs,
                                           u"GetLayout"_qs, {0, -1, QStringList()});
        if (revision)
            *revision = reply.value(0).toUInt();
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
            if (ids)
                ids->insert(p.value(u"label"_qs).toString(), row.id);
        }
        return rows;
    }
    void click(int id)
    {
        call(DbusMenuExporter::path(), u"com.canonical.dbusmenu"_qs, u"Event"_qs,
             {id, u"clicked"_qs, QVariant::fromValue(QDBusVariant(0)), 0u});
    }
    static int pixels(const SniPixmap& pixmap, bool light)
    {
        int count = 0;
        for (qsizetype i = 0; i + 3 < pixmap.argb.size(); i += 4) {
            const auto* argb = reinterpret_cast<const uchar*>(pixmap.argb.constData() + i);
            const int grey = (argb[1] + argb[2] + argb[3]) / 3;
            count += argb[0] > 200 && (light ? grey > 200 : grey < 60) ? 1 : 0;
        }
        return count;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(m_host.isConnected(), "run under tests/support/session-env.sh");
        Translations::install(*qApp, QLocale(QLocale::English));
        QVERIFY(m_host.registerObject(u"/org/freedesktop/Notifications"_qs, &m_notifications,
                                      QDBusConnection::ExportAllSlots));
        QVERIFY(m_host.registerService(u"org.freedesktop.Notifications"_qs));
        QVERIFY(m_host.registerObject(u"/StatusNotifierWatcher"_qs, &m_watcher,
                                      QDBusConnection::ExportAllSlots));
    }
    void onLayoutUpdated(uint revision, int) { m_layoutRevisions.append(revision); }

    void lateWatcherGetsTheItemAndItsLiveMenu()
    {
        LogCapture log;
        TrayTestApp app([](TrayServices& services) {
            services.sessionBus = QDBusConnection::sessionBus();
            services.trayGrace = std::chrono::milliseconds(50);
        });
        Server nas = Server::create(u"NAS"_qs, u"nas.local"_qs);
        nas.shares = {Share::create(u"Public_1"_qs), Share::create(u"Media"_qs)};
        app.store().setServers({nas});
        app.mountInTable(u"Media"_qs);
        app.tray->start();
        QTRY_VERIFY(app.manager().isMounted(u"Media"_qs));

        // No tray yet: said once, and a later launch opens the settings window instead.
        QTRY_COMPARE(m_notifications.summaries, QStringList{qtTrId("tray.none_title")});
        QCOMPARE(log.lines().filter(u"[Tray] No system tray"_qs).size(), 1);
        app.tray->activateFromLaunch();
        QTRY_VERIFY(app.tray->settingsOpener()->window() &&
                    app.tray->settingsOpener()->window()->isVisible());
        QVERIFY(!app.tray->popover()->isVisible());

        // The watcher appears: the item registers with its unique name.
        QVERIFY(m_host.registerService(StatusNotifierItem::watcherService()));
        QTRY_COMPARE(m_watcher.items, QStringList{QDBusConnection::sessionBus().baseService()});
        m_item = m_watcher.items.first();
        QCOMPARE(app.tray->trayIcon()->host(), TrayIcon::Host::StatusNotifier);
        const QVariantMap item = itemProperties();
        QCOMPARE(item.value(u"Title"_qs), u"Tarnwick"_qs);
        QCOMPARE(item.value(u"Category"_qs), u"ApplicationStatus"_qs);
        QCOMPARE(item.value(u"ItemIsMenu"_qs), false); // not Wayland: the popover
        QCOMPARE(item.value(u"Menu"_qs).value<QDBusObjectPath>().path(), DbusMenuExporter::path());
        const QString icon = item.value(u"IconName"_qs).toString();
        QCOMPARE(icon, u"tarnwick-symbolic"_qs);
        const QString themes = item.value(u"IconThemePath"_qs).toString();
        QVERIFY2(QFile::exists(themes + u"/hicolor/symbolic/apps/"_qs + icon + u".svg"_qs),
                 qPrintable(themes));
        const auto images = qdbus_cast<SniPixmaps>(item.value(u"IconPixmap"_qs));
        QVERIFY(!images.isEmpty());
        for (const SniPixmap& image : images) { // seen on a dark and on a light panel
            QCOMPARE(image.argb.size(), image.width * image.height * 4);
            QVERIFY(pixels(image, true) > image.width && pixels(image, false) > image.width);
        }

        QVERIFY(m_host.connect(m_item, DbusMenuExporter::path(), u"com.canonical.dbusmenu"_qs,
                               u"LayoutUpdated"_qs, this, SLOT(onLayoutUpdated(uint, int))));
        QMap<QString, int> ids;
        uint revision = 0;
        const QStringList tail{u"-"_qs,
                               qtTrId("menu.mount_all"),
                               qtTrId("menu.unmount_all"),
                               u"-"_qs,
                               qtTrId("menu.settings"),
                               u"-"_qs,
                               qtTrId("menu.quit")};
        QCOMPARE(menu(&ids, &revision),
                 QStringList({u"NAS (off)"_qs, u"Public__1 [ ]"_qs, u"Media [x]"_qs}) + tail);

        // A click on an idle share mounts it from its server; busy, its row is disabled.
        app.hold(u"osascript"_qs);
        click(ids.value(u"Public__1"_qs));
        QTRY_COMPARE(app.rig.callCount(u"osascript"_qs), 1);
        QTRY_VERIFY(app.rig.stdinOf(u"osascript"_qs, 1).contains("smb://nas.local/Public_1"));
        QTRY_COMPARE(menu().value(1), u"Public__1 [ ] (off)"_qs);
        app.release();
        app.mountInTable(u"Public_1"_qs);
        app.manager().refreshMountedVolumes();
        QTRY_COMPARE(menu().value(1), u"Public__1 [x]"_qs);
        uint now = 0;
        menu(nullptr, &now);
        QVERIFY(now > revision);
        QTRY_VERIFY(m_layoutRevisions.contains(now));
        // A click on a mounted share unmounts it by name.
        click(ids.value(u"Media"_qs));
        QTRY_COMPARE(app.rig.callCount(u"umount"_qs), 1);
        QCOMPARE(app.rig.args(u"umount"_qs, 1).last(), app.rig.volumes() + u"/Media"_qs);

        // A left click opens the popover under the host's position.
        call(StatusNotifierItem::path(), u"org.kde.StatusNotifierItem"_qs, u"Activate"_qs,
             {400, 20});
        PopoverWindow* popover = app.tray->popover();
        QTRY_VERIFY(popover->isVisible());
        QVERIFY(popover->geometry().top() > 20 && popover->geometry().contains(400, 100));
        popover->close();

        // The host restarts: the item registers again, and a later launch shows the popover.
        m_watcher.items.clear();
        QVERIFY(m_host.unregisterService(StatusNotifierItem::watcherService()));
        QTRY_COMPARE(app.tray->trayIcon()->host(), TrayIcon::Host::None);
        QVERIFY(m_host.registerService(StatusNotifierItem::watcherService()));
        QTRY_COMPARE(m_watcher.items, QStringList{m_item});
        QTRY_COMPARE(app.tray->trayIcon()->host(), TrayIcon::Host::StatusNotifier);
        app.tray->activateFromLaunch();
        QVERIFY(popover->isVisible());
        QCOMPARE(m_notifications.summaries.size(), 1); // still said only once
    }
};

QTEST_MAIN(TestStatusNotifier)
#include "tst_status_notifier.moc"
