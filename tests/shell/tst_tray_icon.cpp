#include "log_capture.h"
#include "shell/app_events.h"
#include "shell/dbus_menu_exporter.h"
#include "shell/menu_bar_content_view.h"
#include "shell/popover_window.h"
#include "shell/settings_opener.h"
#include "shell/share_row.h"
#include "shell/status_notifier_item.h"
#include "shell/translations.h"
#include "shell/tray_icon.h"
#include "tray_test_app.h"

#include <QApplication>
#include <QDBusMessage>
#include <QDir>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

using namespace tarnwick;
using namespace tarnwick::test;

// The desktop's side on the private session bus, on a connection of its own: a
// StatusNotifierWatcher and a notification server.
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

// Tarnwick on an X11 desktop (Xvfb, openbox) whose trays come late: first none, then an
// XEmbed tray (trayer), then a StatusNotifierWatcher, which later restarts. The item and its
// menu are read as a host reads them, over D-Bus. With TARNWICK_SCREENSHOT_DIR set, also
// saves the popover screenshots shown in the README.
class TestTrayIcon : public QObject {
    Q_OBJECT

    QDBusConnection m_host = QDBusConnection::connectToBus(QDBusConnection::SessionBus, u"host"_qs);
    FakeWatcher m_watcher;
    FakeNotifications m_notifications;
    QList<uint> m_layoutRevisions; // from LayoutUpdated
    QString m_item;
    QProcess m_trayer;

    static void pointer(const QPoint& at, bool click = true)
    {
        QStringList args{u"mousemove"_qs, QString::number(at.x()), QString::number(at.y())};
        QProcess::execute(u"xdotool"_qs, click ? args + QStringList{u"click"_qs, u"1"_qs} : args);
    }
    // Opaque pixels that are light (or dark) in an ARGB32 image in network byte order.
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
    // A host's call; the local event loop lets Tarnwick, in this process, answer it.
    QList<QVariant> call(const QString& path, const QString& method, const QVariantList& args)
    {
        const QString interface = path == DbusMenuExporter::path() ? u"com.canonical.dbusmenu"_qs
                                  : method == u"GetAll"_qs ? u"org.freedesktop.DBus.Properties"_qs
                                                           : u"org.kde.StatusNotifierItem"_qs;
        QDBusMessage message = QDBusMessage::createMethodCall(m_item, path, interface, method);
        message.setArguments(args);
        const QDBusMessage reply = m_host.call(message, QDBus::BlockWithGui, 5000);
        if (reply.type() != QDBusMessage::ReplyMessage)
            qWarning("%s: %s", qPrintable(method), qPrintable(reply.errorMessage()));
        return reply.arguments();
    }
    // The menu as text: a label per row (mnemonic text: "_" doubled), "-" for a separator,
    // [x]/[ ] for a share's check mark and "(off)" for a disabled row.
    QStringList menu(QMap<QString, int>* ids = nullptr, uint* revision = nullptr)
    {
        const QList<QVariant> reply =
            call(DbusMenuExporter::path(), u"GetLayout"_qs, {0, -1, QStringList()});
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
        call(DbusMenuExporter::path(), u"Event"_qs,
             {id, u"clicked"_qs, QVariant::fromValue(QDBusVariant(0)), 0u});
    }

private Q_SLOTS:
    void initTestCase()
    {
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
    void cleanup()
    {
        m_host.unregisterService(StatusNotifierItem::watcherService());
        m_trayer.kill();
        m_trayer.waitForFinished();
        // The next run starts without a tray: wait until the dead one's selection is free.
        QTRY_VERIFY(!QSystemTrayIcon::isSystemTrayAvailable());
    }
    void onLayoutUpdated(uint revision, int) { m_layoutRevisions.append(revision); }

    void lateTraysGetTheIconAndTheLiveMenu_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("screenshot");
        QTest::newRow("English") << QLocale(QLocale::English) << u"popover-en.png"_qs;
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany)
                                << u"popover-de.png"_qs;
    }
    void lateTraysGetTheIconAndTheLiveMenu()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, screenshot);
        Translations::install(*qApp, locale);
        m_notifications.summaries.clear();
        m_watcher.items.clear();
        LogCapture log;
        TrayTestApp app([](TrayServices& services) {
            services.sessionBus = QDBusConnection::sessionBus();
            services.trayGrace = std::chrono::milliseconds(50);
        });
        Server nas = Server::create(u"Office NAS"_qs, u"nas.local"_qs);
        for (const char* name : {"Documents", "Media", "Photos"})
            nas.shares.append(Share::create(QString::fromLatin1(name)));
        Server backup = Server::create(u"Backup"_qs, u"backup.local"_qs);
        backup.isEnabled = false;
        backup.shares.append(Share::create(u"Time_Machine"_qs));
        app.store().setServers({nas, backup});
        app.mountInTable(u"Documents"_qs);
        app.tray->start();
        QTRY_VERIFY(app.manager().isMounted(u"Documents"_qs));
        const QRect screen = QGuiApplication::primaryScreen()->geometry();

        // No tray at all: said once; a later launch brings the settings window forward and
        // centred, also after it was moved behind another window.
        QTRY_COMPARE(m_notifications.summaries, QStringList{qtTrId("tray.none_title")});
        QCOMPARE(log.lines().filter(u"[Tray] No system tray"_qs).size(), 1);
        SettingsOpener* opener = app.tray->settingsOpener();
        QSignalSpy raised(opener, &SettingsOpener::raised);
        const auto forwardAndCentred = [&] {
            return raised.wait() && QTest::qWaitFor([&] {
                       QWidget* window = opener->window();
                       const QPoint off = window->frameGeometry().center() -
                                          window->screen()->availableGeometry().center();
                       return window->isActiveWindow() && off.manhattanLength() <= 2;
                   });
        };
        app.tray->activateFromLaunch();
        QVERIFY(forwardAndCentred());
        QVERIFY(!app.tray->popover()->isVisible());
        opener->window()->move(screen.topLeft() + QPoint(5, 5));
        QWidget other;
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        app.tray->activateFromLaunch();
        QVERIFY(forwardAndCentred());
        opener->window()->close();

        // An XEmbed tray appears: the icon docks there and toggles the popover under it.
        m_trayer.start(u"trayer"_qs, {u"--edge"_qs, u"top"_qs, u"--align"_qs, u"right"_qs,
                                      u"--widthtype"_qs, u"pixel"_qs, u"--width"_qs, u"120"_qs,
                                      u"--height"_qs, u"26"_qs, u"--SetDockType"_qs, u"true"_qs});
        QSystemTrayIcon* xembed = app.tray->trayIcon()->xembedIcon();
        // Docked in trayer's panel at the top right.
        QTRY_VERIFY_WITH_TIMEOUT(xembed && xembed->geometry().left() > screen.width() / 2 &&
                                     xembed->geometry().bottom() < 30,
                                 10000);
        const QRect icon = xembed->geometry();
        QCOMPARE(app.tray->trayIcon()->host(), TrayIcon::Host::XEmbed);
        PopoverWindow* popover = app.tray->popover();
        pointer(icon.center());
        QTRY_VERIFY(popover->isVisible());
        QVERIFY(popover->geometry().top() > icon.bottom());
        QVERIFY(popover->geometry().left() <= icon.right() &&
                popover->geometry().right() >= icon.left());
        app.hold(u"osascript"_qs); // keeps "Photos" busy
        QTest::mouseClick(popover->content()->shareRows().at(2), Qt::LeftButton);
        QTRY_VERIFY(app.manager().isBusy(u"Photos"_qs));
        ShareRow* media = popover->content()->shareRows().at(1);
        pointer(media->mapToGlobal(media->rect().center()), false);
        QTRY_VERIFY(media->isHovered());
        QTest::qWait(300); // let the window manager and the tray repaint
        const QRect area =
            popover->frameGeometry().united(icon).adjusted(-16, -4, 16, 16).intersected(screen);
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(
            0, area.x(), area.y(), area.width(), area.height());
        if (const QString dir = qEnvironmentVariable("TARNWICK_SCREENSHOT_DIR"); !dir.isEmpty())
            QVERIFY(QDir().mkpath(dir) && shot.save(QDir(dir).filePath(screenshot)));
        pointer(icon.center()); // the icon again closes it
        QTRY_VERIFY(!popover->isVisible());
        QTest::qWait(400); // past the guard against the closing click reopening it
        pointer(icon.center());
        QTRY_VERIFY(popover->isVisible());
        pointer(screen.center() + QPoint(0, 200)); // a click elsewhere closes it
        QTRY_VERIFY(!popover->isVisible());

        // A StatusNotifierWatcher appears: the item registers with its unique name and the
        // XEmbed icon steps aside.
        QVERIFY(m_host.registerService(StatusNotifierItem::watcherService()));
        QTRY_COMPARE(m_watcher.items, QStringList{QDBusConnection::sessionBus().baseService()});
        m_item = m_watcher.items.first();
        QTRY_COMPARE(app.tray->trayIcon()->host(), TrayIcon::Host::StatusNotifier);
        QVERIFY(!xembed->isVisible());
        const QVariantMap item = qdbus_cast<QVariantMap>(
            call(StatusNotifierItem::path(), u"GetAll"_qs, {u"org.kde.StatusNotifierItem"_qs})
                .value(0));
        const QList<QPair<QString, QVariant>> expected{
            {u"Title"_qs, u"Tarnwick"_qs},
            {u"Category"_qs, u"ApplicationStatus"_qs},
            {u"ItemIsMenu"_qs, false}, // X11: the popover on a left click
            {u"IconName"_qs, u"tarnwick-symbolic"_qs}};
        for (const auto& [name, value] : expected)
            QCOMPARE(item.value(name), value);
        QCOMPARE(item.value(u"Menu"_qs).value<QDBusObjectPath>().path(), DbusMenuExporter::path());
        const QString themes = item.value(u"IconThemePath"_qs).toString();
        QVERIFY2(QFile::exists(themes + u"/hicolor/symbolic/apps/tarnwick-symbolic.svg"_qs),
                 qPrintable(themes));
        const auto images = qdbus_cast<QList<SniPixmap>>(item.value(u"IconPixmap"_qs));
        QVERIFY(!images.isEmpty());
        for (const SniPixmap& image : images) { // seen on a dark and on a light panel
            QCOMPARE(image.argb.size(), image.width * image.height * 4);
            QVERIFY(pixels(image, true) > image.width && pixels(image, false) > image.width);
        }

        // The menu lists what the popover lists and follows the states.
        QMap<QString, int> ids;
        uint revision = 0;
        const QString tail =
            u"|-|%1|%2|-|%3|-|%4"_qs.arg(qtTrId("menu.mount_all"), qtTrId("menu.unmount_all"),
                                         qtTrId("menu.settings"), qtTrId("menu.quit"));
        QCOMPARE(menu(&ids, &revision).join(u'|'),
                 u"Office NAS (off)|Documents [x]|Media [ ]|Photos [ ] (off)|Backup (off)|"
                 "Time__Machine [ ]"_qs +
                     tail);
        app.release();
        QTRY_COMPARE(menu().value(3), u"Photos [ ]"_qs);
        // A click on an idle share mounts it from its server, one on a mounted share unmounts
        // it by name.
        click(ids.value(u"Time__Machine"_qs));
        QTRY_VERIFY_WITH_TIMEOUT(
            app.rig.stdinOf(u"osascript"_qs, 2).contains("smb://backup.local/Time_Machine"), 20000);
        app.mountInTable(u"Time_Machine"_qs);
        app.manager().refreshMountedVolumes();
        QTRY_COMPARE(menu().value(5), u"Time__Machine [x]"_qs);
        uint now = 0;
        menu(nullptr, &now);
        QVERIFY(now > revision);
        QTRY_VERIFY(m_layoutRevisions.contains(now));
        click(ids.value(u"Documents"_qs));
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
        QTest::qWait(400);
        app.tray->activateFromLaunch();
        QVERIFY(popover->isVisible());
        QCOMPARE(m_notifications.summaries.size(), 1); // still said only once
        QVERIFY(!QApplication::quitOnLastWindowClosed());
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tst_tray_icon.moc"
