#include "shell/app_events.h"
#include "shell/menu_bar_content_view.h"
#include "shell/popover_window.h"
#include "shell/settings_opener.h"
#include "shell/share_row.h"
#include "shell/translations.h"
#include "shell/tray_icon.h"
#include "tray_test_app.h"

#include <QApplication>
#include <QDir>
#include <QProcess>
#include <QScreen>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTest>

using namespace tarnwick;
using namespace tarnwick::test;

// The XEmbed icon in a real system tray (trayer on Xvfb, no StatusNotifierWatcher), the
// popover it opens and the settings window, with a real window manager. With
// TARNWICK_SCREENSHOT_DIR set, also saves the screenshots shown in the README.
class TestTrayIcon : public QObject {
    Q_OBJECT

    static void pointer(const QPoint& at, bool click = true)
    {
        QStringList args{u"mousemove"_qs, QString::number(at.x()), QString::number(at.y())};
        QProcess::execute(u"xdotool"_qs, click ? args + QStringList{u"click"_qs, u"1"_qs} : args);
    }
    static int colours(const QImage& image)
    {
        QSet<QRgb> seen;
        for (int y = 0; y < image.height(); y += 2) {
            for (int x = 0; x < image.width(); x += 2)
                seen.insert(image.pixel(x, y));
        }
        return int(seen.size());
    }
    // Started with three shares of an enabled server and one of a disabled one, docked.
    static QRect startDocked(TrayTestApp& app)
    {
        Server nas = Server::create(u"Office NAS"_qs, u"nas.local"_qs);
        for (const char* name : {"Documents", "Media", "Photos"})
            nas.shares.append(Share::create(QString::fromLatin1(name)));
        Server backup = Server::create(u"Backup"_qs, u"backup.local"_qs);
        backup.isEnabled = false;
        backup.shares.append(Share::create(u"TimeMachine"_qs));
        app.store().setServers({nas, backup});
        app.tray->start();
        const auto icon = [&] { return app.tray->trayIcon()->xembedIcon(); };
        if (!QTest::qWaitFor([&] { return icon() && !icon()->geometry().isEmpty(); }, 10000))
            qWarning("the icon did not dock");
        return icon() ? icon()->geometry() : QRect();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QGuiApplication::platformName() == u"xcb"_qs,
                 "run under tests/support/with-x11-desktop.sh --tray");
        Translations::install(*qApp, QLocale(QLocale::English));
    }

    void iconTogglesThePopoverAndSettingsComeForwardCentred()
    {
        TrayTestApp app;
        const QRect icon = startDocked(app);
        QCOMPARE(app.tray->trayIcon()->host(), TrayIcon::Host::XEmbed);
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QVERIFY(icon.left() > screen.width() / 2 && icon.top() < 30); // trayer, top right
        PopoverWindow* popover = app.tray->popover();
        pointer(icon.center());
        QTRY_VERIFY(popover->isVisible());
        QVERIFY(popover->geometry().top() > icon.bottom());
        QVERIFY(popover->geometry().left() <= icon.right() &&
                popover->geometry().right() >= icon.left());
        QTRY_VERIFY(colours(popover->grab().toImage()) > 10); // drawn, not an empty box
        pointer(icon.center());                               // the icon again closes it
        QTRY_VERIFY(!popover->isVisible());
        QTest::qWait(400); // past the guard against the closing click reopening it
        pointer(icon.center());
        QTRY_VERIFY(popover->isVisible());
        pointer(screen.center() + QPoint(0, 200)); // a click elsewhere closes it
        QTRY_VERIFY(!popover->isVisible());

        // The settings window: in front and centred on every request, also after it was
        // moved behind another window, and after it was closed.
        SettingsOpener* opener = app.tray->settingsOpener();
        QSignalSpy raised(opener, &SettingsOpener::raised);
        QWidget other;
        const auto forwardAndCentred = [&] {
            return raised.wait() && QTest::qWaitFor([&] {
                       QWidget* window = opener->window();
                       const QPoint off = window->frameGeometry().center() -
                                          window->screen()->availableGeometry().center();
                       return window->isActiveWindow() && off.manhattanLength() <= 2;
                   });
        };
        app.tray->showPopover();
        Q_EMIT AppEvents::instance().openSettingsRequest();
        QVERIFY(!popover->isVisible());
        QVERIFY(forwardAndCentred());
        const QPointer<QWidget> window = opener->window();
        window->move(screen.topLeft() + QPoint(5, 5));
        other.show();
        other.activateWindow();
        QTRY_VERIFY(other.isActiveWindow());
        Q_EMIT AppEvents::instance().openSettingsRequest();
        QVERIFY(forwardAndCentred());
        window->close();
        QTRY_VERIFY(!window->isVisible());
        Q_EMIT AppEvents::instance().openSettingsRequest();
        QVERIFY(forwardAndCentred() && opener->window() == window);
        QVERIFY(!QApplication::quitOnLastWindowClosed());
    }

    void screenshots_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("file");
        QTest::newRow("English") << QLocale(QLocale::English) << u"popover-en.png"_qs;
        QTest::newRow("German") << QLocale(QLocale::German, QLocale::Germany)
                                << u"popover-de.png"_qs;
    }
    void screenshots()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, file);
        const QString target = qEnvironmentVariable("TARNWICK_SCREENSHOT_DIR");
        if (target.isEmpty())
            QSKIP("TARNWICK_SCREENSHOT_DIR not set");
        Translations::install(*qApp, locale);
        TrayTestApp app;
        app.mountInTable(u"Documents"_qs);
        app.hold(u"osascript"_qs); // keeps "Photos" busy until the shot is taken
        const QRect icon = startDocked(app);
        QTRY_VERIFY(app.manager().isMounted(u"Documents"_qs));
        app.tray->showPopover();
        PopoverWindow* popover = app.tray->popover();
        QTRY_VERIFY(popover->isVisible());
        QTest::mouseClick(popover->content()->shareRows().at(2), Qt::LeftButton);
        QTRY_VERIFY(app.manager().isBusy(u"Photos"_qs));
        ShareRow* media = popover->content()->shareRows().at(1);
        pointer(media->mapToGlobal(media->rect().center()), false);
        QTRY_VERIFY(media->isHovered());
        QTest::qWait(300); // let the window manager and the tray repaint
        const QRect area = popover->frameGeometry()
                               .united(icon)
                               .adjusted(-16, -4, 16, 16)
                               .intersected(QGuiApplication::primaryScreen()->geometry());
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(
            0, area.x(), area.y(), area.width(), area.height());
        QVERIFY(colours(shot.toImage()) > 10);
        QDir().mkpath(target);
        QVERIFY(shot.save(QDir(target).filePath(file)));
        Translations::install(*qApp, QLocale(QLocale::English));
    }
};

QTEST_MAIN(TestTrayIcon)
#include "tst_tray_icon.moc"
